#pragma once
// The program ends when no window is open after an event has been handled. Qt's own rule
// (quitOnLastWindowClosed) can end it in the gap of a handler that closes one window and then
// shows another, so it is switched off and replaced by this check.
#include <functional>

class QObject;

namespace gui {

// True when a top-level window (not a tool tip or pop-up) is visible.
bool anyWindowOpen();

// Switches Qt's rule off and, whenever a window is hidden, checks once the current event has been
// handled; if no window is open then, calls whenNoneRemains (default: quit the event loop).
// Returns the watcher, owned by the application; deleting it ends the watch.
QObject* watchForLastWindow(std::function<void()> whenNoneRemains = {});

}  // namespace gui
