// main() of the Qt test suites: one QApplication for the whole run, then every test. Without a display the
// suites draw off screen.
#include "ui/map/WebEngineProcess.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    PrepareWebEngineProcess();
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
