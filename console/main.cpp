// Vorcard: the reader console, English build.
#include <QApplication>

#include "gui/TForm1.h"
#include "gui/TForm2.h"
#include "gui/TForm3.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RFID"));
    Form1 = new TForm1();
    Form2 = new TForm2(Form1);
    Form3 = new TForm3(Form1);
    Form1->show();
    int result = QApplication::exec();
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}
