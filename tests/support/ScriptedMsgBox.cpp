#include "ScriptedMsgBox.h"

#include <gtest/gtest.h>

namespace testsupport {

ScriptedMsgBox::ScriptedMsgBox()
{
    previous_ = runtime::setMsgBoxPresenter([this](const std::string& text, int style, const std::string& title) {
        boxes_.push_back({text, style, title});
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected message box: " << text << " (style " << style << ", title " << title << ")";
            return runtime::MsgBoxResult::Cancel;
        }
        const int button = answers_.front();
        answers_.pop_front();
        return button;
    });
}

ScriptedMsgBox::~ScriptedMsgBox()
{
    runtime::setMsgBoxPresenter(std::move(previous_));
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " prepared answer(s) were not used";
}

}  // namespace testsupport
