#include "sendbox.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStyleHints>

SendBox::SendBox(QWidget* parent) : TextView(parent) {
    setFont(QFont());  // the page's font, not the log's
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWrapping(true);
}

// The menu of Qt's own plain-text box, in its words (translated with Qt's own texts).
void SendBox::contextMenuEvent(QContextMenuEvent* event) {
    auto text = [](const char* caption, QKeySequence::StandardKey key = QKeySequence::UnknownKey) {
        QString out = QCoreApplication::translate("QWidgetTextControl", caption);
        const QKeySequence shortcut(key);
        if (!shortcut.isEmpty() && QGuiApplication::styleHints()->showShortcutsInContextMenus() &&
            !QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus))
            out += u'\t' + shortcut.toString(QKeySequence::NativeText);
        return out;
    };
    QMenu menu(this);
    menu.addAction(text("&Undo", QKeySequence::Undo), this, &TextView::undoOperatorEdit)->setEnabled(canUndoOperatorEdit());
    menu.addAction(text("&Redo", QKeySequence::Redo), this, &TextView::redoOperatorEdit)->setEnabled(canRedoOperatorEdit());
    menu.addSeparator();
    menu.addAction(text("Cu&t", QKeySequence::Cut), this, &TextView::cutSelection)->setEnabled(hasSelection());
    menu.addAction(text("&Copy", QKeySequence::Copy), this, &TextView::copySelection)->setEnabled(hasSelection());
    menu.addAction(text("&Paste", QKeySequence::Paste), this, &TextView::pasteClipboard)
        ->setEnabled(!QApplication::clipboard()->text().isEmpty());
    menu.addAction(text("Delete"), this, &TextView::deleteSelection)->setEnabled(hasSelection());
    menu.addSeparator();
    menu.addAction(text("Select All", QKeySequence::SelectAll), this, &TextView::selectAll)->setEnabled(lineCount() > 0);
    menu.exec(event->globalPos());
}
