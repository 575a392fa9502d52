#pragma once
// Stands in for the message box in tests: records every box and answers from a queue set up
// before the action. A box nobody expected fails the test instead of waiting for a click.
#include <deque>
#include <string>
#include <vector>

#include "runtime/MsgBox.h"

namespace testsupport {

class ScriptedMsgBox {
public:
    struct Box {
        std::string text;
        int style = 0;
        std::string title;
    };

    ScriptedMsgBox();
    ~ScriptedMsgBox();
    ScriptedMsgBox(const ScriptedMsgBox&) = delete;
    ScriptedMsgBox& operator=(const ScriptedMsgBox&) = delete;

    void answer(int button) { answers_.push_back(button); }
    const std::vector<Box>& boxes() const { return boxes_; }

private:
    runtime::MsgBoxPresenter previous_;
    std::deque<int> answers_;
    std::vector<Box> boxes_;
};

}  // namespace testsupport
