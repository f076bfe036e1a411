// Test main for the windows: one QApplication on the offscreen platform for every test, or on
// the platform the environment names (the X11 mouse selection is tested on a virtual display).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RFID"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
