// The start of a program: the application titled "RFID" with Qt's own texts in the system's
// language, its main window, about box and memory-layout window created in this order (the
// main window is the main form), then the message loop. Each build names its own window classes.
#pragma once
#include <QApplication>

#include "TForm1.h"
#include "qttranslations.h"

namespace console {

template <typename Main, typename About, typename MemoryLayout>
int runProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RFID"));
    loadQtTranslations();
    Form1 = new Main();
    Form2 = new About(Form1);
    Form3 = new MemoryLayout(Form1);
    Form1->show();
    int result = QApplication::exec();
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}

}  // namespace console
