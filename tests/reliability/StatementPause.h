#pragma once
// Stops this process just before it sends a chosen statement to the server: this program's own
// SQLExecDirectW stands in front of the driver manager's and passes every call on, except that
// the chosen text first reports on standard output and waits until the process is killed.
#include <string>

namespace reliability {

void pauseBeforeStatement(const std::string& text);

// What the paused process writes before it waits.
inline constexpr char pausedReport[] = "paused before the statement\n";

}  // namespace reliability
