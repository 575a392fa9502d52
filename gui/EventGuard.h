#pragma once
// Every event handler of the windows runs inside runGuarded, so that an error the handler does not
// trap ends in the top-level error report instead of unwinding through Qt.
#include <functional>

namespace gui {

// Runs the handler; an escaped runtime::RuntimeError (or any other exception) goes to
// reportUntrappedError with its number and description.
void runGuarded(const std::function<void()>& handler);

}  // namespace gui
