// The about box: a fixed-size dialog with the program's name and version.
#pragma once
#include <QDialog>

#include "ui_TForm2.h"

class TForm2 : public QDialog, public Ui::TForm2 {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

protected:
    // For a build whose about box is laid out from another form description; the controls
    // that form lacks stay null.
    struct LaidOutElsewhere {};
    TForm2(QWidget* parent, LaidOutElsewhere);
};

namespace console {
// The frame of the program's secondary windows: title bar with close and minimise buttons
// only, fixed at the size of the form description.
void makeFixedDialog(QDialog* dialog);
}  // namespace console
