// The serial page's send box: an editable text view on the log pane's line store, so that a
// text of megabytes in one line loads, scrolls, selects and edits without laying the whole
// line out. It offers the plain-text calls the page makes of it, a word selection by double
// click and the usual edit menu, and takes the font of the page around it.
#pragma once
#include "logpane.h"

class SendBox : public LogPane {
    Q_OBJECT
public:
    explicit SendBox(QWidget* parent = nullptr);
    void clear() { setPlainText(QString()); }

protected:
    bool event(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
