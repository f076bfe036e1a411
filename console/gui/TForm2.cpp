#include "TForm2.h"

void console::makeFixedDialog(QDialog* dialog) {
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
    dialog->setFixedSize(dialog->size());
}

TForm2::TForm2(QWidget* parent, LaidOutElsewhere) : QDialog(parent), Ui::TForm2() {
    Panel1 = nullptr;
    Label1 = nullptr;
}

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    // A form description stores point sizes only; the caption is 24 pixels high.
    QFont big = Label1->font();
    big.setPixelSize(24);
    Label1->setFont(big);
    console::makeFixedDialog(this);
}
