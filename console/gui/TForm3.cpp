#include "TForm3.h"

#include <QFile>
#include <QPixmap>

#include "TForm2.h"
#include "jpegimage.h"

// The picture lives in a static library; registering its resource keeps the linker from
// dropping it. Q_INIT_RESOURCE must stand outside any namespace.
static void registerPicture() {
    static const bool once = [] {
        Q_INIT_RESOURCE(forms);
        return true;
    }();
    (void)once;
}

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    finishCreate();
}

TForm3::TForm3(QWidget* parent, LaidOutElsewhere) : QDialog(parent), Ui::TForm3() {}

void TForm3::finishCreate() {
    console::makeFixedDialog(this);
    registerPicture();
    QFile file(QString::fromLatin1(kPicture));
    showPicture(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

void TForm3::showPicture(const QByteArray& jpeg) {
    const console::DecodedJpeg picture = console::decodeJpeg(jpeg);
    if (picture)
        Image1->setPixmap(QPixmap::fromImage(picture.image));
    else
        Image1->clear();
}
