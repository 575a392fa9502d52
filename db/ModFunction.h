#pragma once
// Opening and closing the shared connection ModMain::Conn.
#include <string>

namespace ModFunction {

// Opens Conn on master of the named server. On failure shows the error's description in a box
// (style 0, the application's title) and returns false; never throws for a failed open.
bool ConnectDB(const std::string& server, const std::string& user, const std::string& password);

// Closes Conn if it is open and releases it. Errors of the close pass to the caller.
void CloseDB();

}  // namespace ModFunction
