#include "gui/QtMsgBox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "gui/WaitCursor.h"
#include "runtime/MsgBox.h"
#include "runtime/RuntimeError.h"

namespace gui {

int showQtMsgBox(const std::string& text, int style, const std::string& title)
{
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(title));
    // Server messages may hold '<' or '&'; they are shown as they came.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text));
    switch (style) {
    case rt::MsgBoxStyle::OkOnly:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case rt::MsgBoxStyle::Information:
    case rt::MsgBoxStyle::OkCancelInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "Message box style " + std::to_string(style) + " is not supported.");
    }
    // The buttons speak the tool's language whatever Qt translations are installed.
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    ok->setText(QStringLiteral("确定"));
    box.setDefaultButton(ok);
    QPushButton* cancel = nullptr;
    if (style == rt::MsgBoxStyle::OkCancelInformation) {
        cancel = box.addButton(QMessageBox::Cancel);
        cancel->setText(QStringLiteral("取消"));
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    const NormalCursorForDialog normalCursor;
    box.exec();
    if (!cancel)
        return rt::MsgBoxResult::OK;
    return box.clickedButton() == ok ? rt::MsgBoxResult::OK : rt::MsgBoxResult::Cancel;
}

void installQtMsgBox()
{
    rt::setMsgBoxPresenter(showQtMsgBox);
}

}  // namespace gui
