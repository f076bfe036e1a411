// The operator's mouse and keys in the text view: keys go to the editing control, clicks are
// mapped to the places the view shows, as Qt's own plain-text box takes them.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>

#include "textview.h"

void TextView::keyPressEvent(QKeyEvent* event) {
    settle();
    if (control_.keyPress(event)) return event->accept();
    QAbstractScrollArea::keyPressEvent(event);
}

void TextView::inputMethodEvent(QInputMethodEvent* event) {
    settle();
    control_.inputMethod(event);
    event->accept();
}

void TextView::mousePressEvent(QMouseEvent* event) {
    // The place under the pointer as the view shows it now, before lines pending move it.
    const QPoint point = event->position().toPoint();
    const Position at = positionAt(point);
    settle();
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    const bool triple = tripleClick_.isValid() && tripleClick_.elapsed() < QApplication::doubleClickInterval() &&
                        (point - tripleClickAt_).manhattanLength() < QApplication::startDragDistance();
    tripleClick_.invalidate();
    if (triple) {
        // The line with its line break.
        const TextLines& lines = control_.lines();
        control_.setCaret({at.line, 0});
        control_.setCaret(lines.nextCharacter({at.line, lines.length(at.line)}), true);
        control_.copyToSelectionClipboard();
        return;
    }
    control_.setCaret(at, event->modifiers() & Qt::ShiftModifier);
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
    control_.setCaret(positionAt(event->position().toPoint()), true);
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) return control_.copyToSelectionClipboard();
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        // The mouse selection goes in where the pointer is.
        setCaret(positionAt(event->position().toPoint()));
        control_.pasteText(QApplication::clipboard()->text(QClipboard::Selection));
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
    const Position at = positionAt(event->position().toPoint());
    settle();
    const auto [from, to] = control_.lines().wordAt(at);
    control_.setCaret(from);
    control_.setCaret(to, true);
    tripleClick_.start();
    tripleClickAt_ = event->position().toPoint();
}
