// Test main for Qt's own texts: the system's locale is made SYSTEM_LOCALE (LANG, with nothing
// left that overrides it) before the application starts, which then loads Qt's translations
// as the programs do.
#include <QApplication>
#include <gtest/gtest.h>

#include "gui/qttranslations.h"

int main(int argc, char** argv) {
    qputenv("LANG", SYSTEM_LOCALE);
    for (const char* overriding : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) qunsetenv(overriding);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RFID"));
    console::loadQtTranslations();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
