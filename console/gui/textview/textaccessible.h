// The text view as screen readers see it: Qt's accessible interface of an editable multi-line
// text (role, states, text by offsets, caret, selection, character rectangles, edits through
// the view's own edit path), and the events Qt's text widgets send when the text, the caret or
// the selection change. Offsets count UTF-16 units into the lines joined by '\n', as
// toPlainText() gives them. Events cost a test of QAccessible::isActive() when nothing listens.
#pragma once
#include <QAccessible>
#include <QString>

#include "textlines.h"

class TextView;

// Makes Qt build the view's interface; once for the program.
void installTextAccessibility();

namespace textaccessible {
void replaced(TextView* view, TextPosition at, const QString& removed, const QString& inserted);
void lineAppended(TextView* view);
void caretMoved(TextView* view);
}  // namespace textaccessible

// The view's hooks. An edit replaced `removed` at `at` by `inserted`.
inline void accessibleTextReplaced(TextView* view, TextPosition at, const QString& removed, const QString& inserted) {
    if (QAccessible::isActive()) textaccessible::replaced(view, at, removed, inserted);
}
// The program added a line at the end.
inline void accessibleLineAppended(TextView* view) {
    if (QAccessible::isActive()) textaccessible::lineAppended(view);
}
// The caret or the selection may have changed: told when they did.
inline void accessibleCaretMoved(TextView* view) {
    if (QAccessible::isActive()) textaccessible::caretMoved(view);
}

// Held over a change of the whole text (setPlainText, clear): when it ends, the old text's
// removal and the new text's insertion are told, as Qt's plain-text box tells them. A reset
// inside another of the same view tells nothing of its own.
class AccessibleTextReset {
public:
    explicit AccessibleTextReset(TextView* view);
    ~AccessibleTextReset();
    AccessibleTextReset(const AccessibleTextReset&) = delete;
    AccessibleTextReset& operator=(const AccessibleTextReset&) = delete;

private:
    TextView* view_ = nullptr;  // null: nothing to tell
    QString old_;
};
