// The serial page's send box: a text view that wraps at its width, so that a long frame shows
// whole, and that keeps a text of megabytes in one line quick to load, scroll, select and
// edit. It offers the plain-text calls the page makes of it and the usual edit menu in Qt's
// own words, and takes the font of the page around it.
#pragma once
#include "textview/textview.h"

class SendBox : public TextView {
    Q_OBJECT
public:
    explicit SendBox(QWidget* parent = nullptr);
    void clear() { setPlainText(QString()); }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};
