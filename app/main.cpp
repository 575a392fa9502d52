// The tool's entry point: wires the Qt application to the start-up routine.
#include <QApplication>

#include "app/ModMain.h"
#include "common/NoCoreDumps.h"
#include "forms/main/ImageList.h"
#include "gui/EventGuard.h"
#include "gui/FontConfigWarmUp.h"
#include "gui/Fonts.h"
#include "gui/LastWindowWatch.h"
#include "gui/QtMsgBox.h"
#include "gui/WindowAccessibility.h"

int main(int argc, char** argv)
{
    common::disableCoreDumps();
    gui::FontConfigWarmUp fontConfig;
    QApplication application(argc, argv);
    // Lets desktops match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("taskclear"));
    gui::installFontSubstitutions();
    // The program's icon is the clear command's red cross; windows without their own show it.
    QApplication::setWindowIcon(forms::ImageList1::icon(forms::ImageList1::Index::Delete));
    gui::installQtMsgBox();
    gui::installWindowAccessibility();
    gui::watchForLastWindow();
    fontConfig.finish();
    gui::runGuarded(ModMain::Main);
    return QApplication::exec();
}
