#pragma once
// The tool's own paths, driven the way a user drives them: the log-on routines, the refresh
// command of the main window, and the clearing's transaction on the shared connection.
#include <cstddef>
#include <string>
#include <vector>

namespace forms {
class frmMain;
}  // namespace forms

namespace bench {

// Opens the shared connection on the server and makes the task database its default, as the
// login window does; throws when the log-on fails.
void logOnTo(const std::string& server);
void logOff();

// Opens the main window (which loads the list once) and lets it paint.
forms::frmMain* showMainWindow();

// The refresh command from the toolbar, until the grid has been laid out and painted again.
double refreshSeconds(forms::frmMain& window);
// Jumps through the grid from top to bottom in even steps, repainting after each; returns the
// mean seconds per jump (what dragging the scroll bar costs).
double scrollJumpSeconds(forms::frmMain& window);

// Rows the grid shows, and their text as UTF-8 bytes.
std::size_t gridRows(forms::frmMain& window);
std::size_t gridTextBytes(forms::frmMain& window);

// The menu keys of the two clearings, in the order the report lists them.
inline const std::vector<std::string> clearKeys{"DELERROR", "DELALL"};

// A clearing's transaction and two statements over the shared connection (one of clearKeys);
// returns the seconds taken.
double toolClearSeconds(const std::string& key);

// The process's resident memory, after handing freed memory back to the system.
std::size_t residentBytes();
// The most resident memory the process has held since it started.
std::size_t peakResidentBytes();

}  // namespace bench
