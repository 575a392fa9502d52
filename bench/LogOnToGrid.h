#pragma once
// The tool as a new user meets it: from pressing 确定 in the real login window to the main
// window's grid painted with every task, log-on included.
#include <string>

namespace bench {

// Shows the login window, types the server's name, presses OK and waits until the grid has been
// painted; returns the seconds from the press. Throws when the log-on does not reach the grid.
// Meant for a fresh process, so that nothing a previous run loaded is still warm.
double logOnToGridSeconds(const std::string& server);

}  // namespace bench
