#pragma once
// While a blocking database call runs, the pointer shows that the program is busy, not hung.

namespace gui {

// Shows the wait cursor over every window of the program for its lifetime and restores the
// previous cursor when it ends, by return or by exception. Scopes may nest.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// For the length of a message box: the user is asked something, so the pointer must not say
// "busy" even when the box comes up in the middle of a blocking call. No effect without a wait
// cursor.
class NormalCursorForDialog {
public:
    NormalCursorForDialog();
    ~NormalCursorForDialog();
    NormalCursorForDialog(const NormalCursorForDialog&) = delete;
    NormalCursorForDialog& operator=(const NormalCursorForDialog&) = delete;

private:
    bool pushed_;
};

}  // namespace gui
