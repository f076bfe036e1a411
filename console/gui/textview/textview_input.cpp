// The operator's mouse and keys in the text view: keys go to the editing control, clicks are
// mapped to the places the view shows, as Qt's own plain-text box takes them. While an input
// method composes, a press on the composition is the input method's; a left press or double
// click anywhere else commits it first.
#include <QApplication>
#include <QClipboard>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMouseEvent>
#include <utility>

#include "textview.h"

void TextView::keyPressEvent(QKeyEvent* event) {
    settle();
    if (control_.keyPress(event)) return event->accept();
    QAbstractScrollArea::keyPressEvent(event);
}

void TextView::inputMethodEvent(QInputMethodEvent* event) {
    // A commit asked for by a click waits for nothing: the click maps its point as shown.
    if (!committing_) settle();
    control_.inputMethod(event);
    event->accept();
}

void TextView::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    pressedInComposition_ = false;
    if (control_.composing()) {
        if (const int offset = compositionOffsetAt(point); offset >= 0) {
            pressedInComposition_ = true;
            compositionPress_ = point;
            compositionPressOffset_ = offset;
            return event->accept();
        }
        if (event->button() == Qt::LeftButton) commitComposition();
    }
    // The place under the pointer as the view shows it now, before lines pending move it.
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
    const QPoint point = event->position().toPoint();
    if (pressedInComposition_) {
        // Dragged off the place pressed: the composition is committed and the caret goes where
        // the press was; the drag selects nothing.
        if (control_.composing() && compositionOffsetAt(point) != compositionPressOffset_) {
            commitComposition();
            control_.setCaret(positionAt(compositionPress_));
        }
        return;
    }
    control_.setCaret(positionAt(point), true);
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (control_.composing()) {
        // A click on the composition tells the input method where in it.
        if (const int offset = compositionOffsetAt(point); offset >= 0) {
            pressedInComposition_ = false;
            QGuiApplication::inputMethod()->invokeAction(QInputMethod::Click, offset);
            return event->accept();
        }
    }
    if (std::exchange(pressedInComposition_, false) && event->button() == Qt::LeftButton) return;
    if (event->button() == Qt::LeftButton) return control_.copyToSelectionClipboard();
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        // The mouse selection goes in where the pointer is.
        setCaret(positionAt(point));
        control_.pasteText(QApplication::clipboard()->text(QClipboard::Selection));
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
    pressedInComposition_ = false;
    commitComposition();
    const Position at = positionAt(event->position().toPoint());
    settle();
    const auto [from, to] = control_.lines().wordAt(at);
    control_.setCaret(from);
    control_.setCaret(to, true);
    tripleClick_.start();
    tripleClickAt_ = event->position().toPoint();
}
