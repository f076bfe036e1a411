// The memory-layout window: a fixed-size dialog showing the tag memory map picture, decoded
// from the JPEG embedded in the program.
#pragma once
#include <QDialog>

#include "ui_TForm3.h"

class TForm3 : public QDialog, public Ui::TForm3 {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    // Shows the JPEG picture in Image1; data that does not decode leaves the control empty.
    void showPicture(const QByteArray& jpeg);

    // Where the picture is read from.
    static constexpr const char* kPicture = ":/forms/memory-map.jpg";

protected:
    // For a build whose window is laid out from another form description: the derived
    // constructor lays out its form, sets Image1, then calls finishCreate().
    struct LaidOutElsewhere {};
    TForm3(QWidget* parent, LaidOutElsewhere);
    // Fixed frame and the picture.
    void finishCreate();
};
