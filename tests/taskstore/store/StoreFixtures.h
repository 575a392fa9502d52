#pragma once
// What the data folder tests share: folders as taskstore leaves them, files changed or damaged as
// another program or a failing disk would, a client session, and a folder's fingerprint.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace storetest {

// A data folder as taskstore leaves it: master, VOZUZODI with 50 demo tasks, the TLS files.
void makeDataFolder(const std::filesystem::path& folder);
// Overwrites the head of the page where the task log's rows start, as a failing disk might.
void damageTaskLog(const std::filesystem::path& file);

// Runs statements in one python-tds session on VOZUZODI, inside the driver's transaction ("commit"
// and "rollback" end it; "fill SQL" commits SQL with a 20,000-character value until it fails).
// One line each: the rows' values, "done", "filled <count>" or "error <n> severity <s>: <text>".
std::vector<std::string> clientSession(int port, const std::vector<std::string>& statements);

// Name -> "owner mode sha256" (a link: its target; "." the folder itself).
using FolderSnapshot = std::map<std::string, std::string>;
FolderSnapshot snapshotOf(const std::filesystem::path& folder);

}  // namespace storetest
