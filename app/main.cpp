// The tool's entry point: wires the Qt application to the start-up routine.
#include <QApplication>

#include "app/EventGuard.h"
#include "app/FontConfigWarmUp.h"
#include "app/Fonts.h"
#include "app/LastWindowWatch.h"
#include "app/ModMain.h"
#include "app/QtMsgBox.h"
#include "forms/main/ImageList.h"

int main(int argc, char** argv)
{
    const app::FontConfigWarmUp fontConfig;
    QApplication application(argc, argv);
    // Lets desktops match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("taskclear"));
    app::installFontSubstitutions();
    // The program's icon is the clear command's red cross; windows without their own show it.
    QApplication::setWindowIcon(mainwin::ImageList1::icon(mainwin::ImageList1::Index::Delete));
    app::installQtMsgBox();
    app::watchForLastWindow();
    app::runGuarded(ModMain::Main);
    return QApplication::exec();
}
