#pragma once
// The real message box behind runtime::MsgBox: a modal QMessageBox for the styles the tool uses.
#include <string>

namespace gui {

// Shows the box and waits for an answer. Style 0: OK, no icon; 64: OK with the information icon;
// 65: OK and Cancel with the information icon, OK the default, Esc and the close box answer
// Cancel. Returns runtime::MsgBoxResult::OK or Cancel; another style raises a runtime error.
int showQtMsgBox(const std::string& text, int style, const std::string& title);

// Makes showQtMsgBox the presenter of runtime::MsgBox.
void installQtMsgBox();

}  // namespace gui
