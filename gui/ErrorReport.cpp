#include "gui/ErrorReport.h"

#include <QMessageBox>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "runtime/MsgBox.h"

namespace gui {

namespace {

// The number on the first line, a blank line, then the description.
std::string errorReportText(long number, const std::string& description)
{
    return "运行时错误 '" + std::to_string(number) + "':\n\n" + description;
}

void showReportAndExit(long number, const std::string& description)
{
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(runtime::AppTitle()),
                    QString::fromStdString(errorReportText(number, description)), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // Nothing after an untrapped error may run on, not even the rest of the event loop.
    std::fflush(nullptr);
    std::exit(1);
}

ErrorReportHandler& handler()
{
    static ErrorReportHandler current;
    return current;
}

}  // namespace

void reportUntrappedError(long number, const std::string& description)
{
    if (handler())
        handler()(number, description);
    else
        showReportAndExit(number, description);
}

ErrorReportHandler setErrorReportHandler(ErrorReportHandler next) { return std::exchange(handler(), std::move(next)); }

}  // namespace gui
