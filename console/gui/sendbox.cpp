#include "sendbox.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

SendBox::SendBox(QWidget* parent) : LogPane(parent) {
    setFont(QFont());  // the page's font, not the log's
}

bool SendBox::event(QEvent* event) {
    // Lines are not wrapped: the sideways bar stays, whatever the form description says.
    if (event->type() == QEvent::Polish) setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return LogPane::event(event);
}

// The run of letters, digits and underscores around the caret, or the character after it.
void SendBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return LogPane::mouseDoubleClickEvent(event);
    mousePressEvent(event);  // the caret at the click
    const Position at = caret();
    const QString text = line(at.line);
    auto inWord = [&](int i) { return text[i].isLetterOrNumber() || text[i] == QLatin1Char('_'); };
    int from = at.column, to = at.column;
    while (from > 0 && inWord(from - 1)) --from;
    while (to < text.size() && inWord(to)) ++to;
    if (from == to && to < text.size()) ++to;
    setCaret({at.line, from});
    setCaret({at.line, to}, true);
}

void SendBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("&Undo"), this, &LogPane::undoOperatorEdit)->setEnabled(canUndoOperatorEdit());
    menu.addSeparator();
    menu.addAction(tr("Cu&t"), this, &LogPane::cutSelection)->setEnabled(hasSelection());
    menu.addAction(tr("&Copy"), this, &LogPane::copySelection)->setEnabled(hasSelection());
    menu.addAction(tr("&Paste"), this, &LogPane::pasteClipboard)
        ->setEnabled(!QApplication::clipboard()->text().isEmpty());
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, &LogPane::selectAll);
    menu.exec(event->globalPos());
}
