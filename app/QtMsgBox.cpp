#include "app/QtMsgBox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "runtime/MsgBox.h"
#include "runtime/RuntimeError.h"

namespace app {

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
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    QPushButton* cancel = nullptr;
    if (style == rt::MsgBoxStyle::OkCancelInformation) {
        cancel = box.addButton(QMessageBox::Cancel);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.exec();
    if (!cancel)
        return rt::MsgBoxResult::OK;
    return box.clickedButton() == ok ? rt::MsgBoxResult::OK : rt::MsgBoxResult::Cancel;
}

void installQtMsgBox()
{
    rt::setMsgBoxPresenter(showQtMsgBox);
}

}  // namespace app
