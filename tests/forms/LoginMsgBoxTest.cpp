// The real message box behind runtime::MsgBox: buttons, icons, default and escape answers.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "LoginTestWindows.h"
#include "gui/QtMsgBox.h"
#include "runtime/MsgBox.h"
#include "runtime/RuntimeError.h"

namespace {

struct SeenBox {
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QStringList captions;
};

// Shows a box, records what it looked like and answers it with act.
int showAndAnswer(const std::string& text, int style, const std::string& title, SeenBox& seen,
                  std::function<void(QMessageBox&)> act)
{
    logintest::onNextMessageBox([&seen, act = std::move(act)](QMessageBox& box) {
        seen.title = box.windowTitle();
        seen.text = box.text();
        seen.format = box.textFormat();
        seen.icon = box.icon();
        seen.buttons = box.standardButtons();
        seen.defaultButton = box.defaultButton() ? box.standardButton(box.defaultButton()) : QMessageBox::NoButton;
        seen.captions.clear();
        for (auto* button : box.buttons())
            seen.captions << button->text();
        act(box);
    });
    return gui::showQtMsgBox(text, style, title);
}

const auto pressEscape = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
const auto pressEnter = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); };
const auto closeBox = [](QMessageBox& box) { box.close(); };

}  // namespace

TEST(LoginMsgBox, QuestionStyleAnswersOkOnEnterAndCancelOnEscapeOrCloseBox)
{
    SeenBox seen;
    EXPECT_EQ(showAndAnswer("您确定要重新登陆吗？", 65, "登陆提示", seen, pressEnter), runtime::MsgBoxResult::OK);
    EXPECT_EQ(seen.title, QStringLiteral("登陆提示"));
    EXPECT_EQ(seen.text, QStringLiteral("您确定要重新登陆吗？"));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(seen.defaultButton, QMessageBox::Ok);
    EXPECT_TRUE(seen.captions.contains(QStringLiteral("确定")) && seen.captions.contains(QStringLiteral("取消")))
        << seen.captions.join(',').toStdString();

    EXPECT_EQ(showAndAnswer("q", 65, "t", seen, pressEscape), runtime::MsgBoxResult::Cancel);
    EXPECT_EQ(showAndAnswer("q", 65, "t", seen, closeBox), runtime::MsgBoxResult::Cancel);
    EXPECT_EQ(showAndAnswer("q", 65, "t", seen, [](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); }),
              runtime::MsgBoxResult::Cancel);
}

TEST(LoginMsgBox, OkStylesHaveOneButtonAndAlwaysAnswerOk)
{
    SeenBox seen;
    EXPECT_EQ(showAndAnswer("请输入服务器名称！", 0, "登陆提示", seen, pressEscape), runtime::MsgBoxResult::OK);
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);

    EXPECT_EQ(showAndAnswer("请确认该服务器上正确安装了Q6产品！", 64, "提示", seen, closeBox),
              runtime::MsgBoxResult::OK);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_EQ(seen.title, QStringLiteral("提示"));
}

TEST(LoginMsgBox, ServerTextIsShownAsPlainText)
{
    SeenBox seen;
    showAndAnswer("Login failed for user 'SA'. <b>&amp;", 0, "x", seen, pressEnter);
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.text, QStringLiteral("Login failed for user 'SA'. <b>&amp;"));
}

TEST(LoginMsgBox, UnknownStyleRaisesInvalidProcedureCall)
{
    try {
        gui::showQtMsgBox("x", 16, "t");
        FAIL() << "no error raised";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_EQ(error.Number(), runtime::ErrorNumber::InvalidProcedureCall);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
