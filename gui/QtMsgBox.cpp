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
    case runtime::MsgBoxStyle::OkOnly: box.setIcon(QMessageBox::NoIcon); break;
    case runtime::MsgBoxStyle::Information:
    case runtime::MsgBoxStyle::OkCancelInformation: box.setIcon(QMessageBox::Information); break;
    default:
        throw runtime::RuntimeError(runtime::ErrorNumber::InvalidProcedureCall,
                                    "Message box style " + std::to_string(style) + " is not supported.");
    }
    // The buttons speak the tool's language whatever Qt translations are installed.
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    ok->setText(QStringLiteral("确定"));
    box.setDefaultButton(ok);
    QPushButton* cancel = nullptr;
    if (style == runtime::MsgBoxStyle::OkCancelInformation) {
        cancel = box.addButton(QMessageBox::Cancel);
        cancel->setText(QStringLiteral("取消"));
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    const NormalCursorForDialog normalCursor;
    box.exec();
    if (!cancel)
        return runtime::MsgBoxResult::OK;
    return box.clickedButton() == ok ? runtime::MsgBoxResult::OK : runtime::MsgBoxResult::Cancel;
}

void installQtMsgBox() { runtime::setMsgBoxPresenter(showQtMsgBox); }

}  // namespace gui
