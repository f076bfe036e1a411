// Test main for the windows: one QApplication on the offscreen platform for every test.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RFID"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
