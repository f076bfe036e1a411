// Vorcard-zh: the reader console, Chinese build.
#include <QApplication>

#include "TForm1Zh.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RFID"));
    Form1 = new TForm1Zh();
    Form2 = new TForm2Zh(Form1);
    Form3 = new TForm3Zh(Form1);
    Form1->show();
    int result = QApplication::exec();
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}
