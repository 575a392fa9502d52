// The reliability tests run inside one QApplication on the offscreen platform; the same program
// doubles as the clearing child that the fault tests kill.
#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

#include "ClearingChild.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc == 5 && std::strcmp(argv[1], "--clearing-child") == 0)
        return reliability::runClearingChild(argv[2], argv[3], argv[4]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
