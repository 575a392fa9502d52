#pragma once
// The modal message box of the tool. The windows install a presenter that shows a real box; tests
// install a scripted one. Layers below the windows call MsgBox without knowing which it is.
#include <functional>
#include <utility>
#include <string>

namespace runtime {

// The styles the tool uses, and the buttons a box can answer with.
namespace MsgBoxStyle {
inline constexpr int OkOnly = 0;                // OK button only, no icon
inline constexpr int Information = 64;          // OK with the information icon
inline constexpr int OkCancelInformation = 65;  // OK and Cancel with the information icon, OK default
}  // namespace MsgBoxStyle

namespace MsgBoxResult {
inline constexpr int OK = 1;
inline constexpr int Cancel = 2;
}  // namespace MsgBoxResult

// The application's title, shown on a box that has no title of its own.
const std::string& AppTitle();

using MsgBoxPresenter = std::function<int(const std::string& text, int style, const std::string& title)>;

// Shows a box and returns the button pressed. An empty title means the application's title.
// Throws a RuntimeError when no presenter is installed.
int MsgBox(const std::string& text, int style = MsgBoxStyle::OkOnly, const std::string& title = {});

// Installs the presenter and returns the previous one.
MsgBoxPresenter setMsgBoxPresenter(MsgBoxPresenter presenter);

}  // namespace runtime
