// The tool's entry point: wires the Qt application to the start-up routine.
#include <QApplication>

#include "app/EventGuard.h"
#include "app/Fonts.h"
#include "app/LastWindowWatch.h"
#include "app/ModMain.h"
#include "app/QtMsgBox.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    app::installFontSubstitutions();
    app::installQtMsgBox();
    app::watchForLastWindow();
    app::runGuarded(ModMain::Main);
    return QApplication::exec();
}
