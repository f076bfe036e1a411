#include "logpane.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <stdexcept>

LogPane::LogPane(QWidget* parent) : QPlainTextEdit(parent) {
    // The document keeps no undo history of its own: program lines must not be undoable and
    // must not cost memory; operator edits are recorded by recordEdit().
    document()->setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShadow(QFrame::Sunken);
    QFont f("MS Sans Serif");
    f.setPixelSize(13);
    setFont(f);
}

void LogPane::addLine(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.beginEditBlock();
    if (!document()->isEmpty()) c.insertBlock();
    c.insertText(t);
    c.endEditBlock();
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

int LogPane::lineCount() const { return document()->isEmpty() ? 0 : document()->blockCount(); }

QString LogPane::line(int index) const { return document()->findBlockByNumber(index).text(); }

void LogPane::clearAll() {
    clear();
    undo_.clear();
}

QString LogPane::textBetween(int from, int to) const {
    if (to <= from) return {};
    QTextCursor c(document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    return c.selectedText();
}

// Runs an edit of the operator's and records what it changed, so that undo can reverse it.
// The edit may reach at most one block beyond the selection on either side (a key that joins
// lines); `extraPosition` widens that window to a further place (a drop target).
template <typename F>
void LogPane::recordEdit(F&& edit, bool typed, int extraPosition) {
    QTextDocument* doc = document();
    QTextCursor cur = textCursor();
    int a = std::min(cur.anchor(), cur.position());
    int b = std::max(cur.anchor(), cur.position());
    if (extraPosition >= 0) {
        a = std::min(a, extraPosition);
        b = std::max(b, extraPosition);
    }
    QTextBlock first = doc->findBlock(a);
    if (first.previous().isValid()) first = first.previous();
    QTextBlock last = doc->findBlock(b);
    if (last.next().isValid()) last = last.next();
    int from = first.position();
    int to = last.position() + last.length() - 1;
    int before = doc->characterCount();
    QString old = textBetween(from, to);
    edit();
    int now = to + (doc->characterCount() - before);
    QString changed = textBetween(from, now);
    if (old == changed) return;
    int prefix = 0;
    while (prefix < old.size() && prefix < changed.size() && old[prefix] == changed[prefix]) ++prefix;
    int suffix = 0;
    while (suffix < old.size() - prefix && suffix < changed.size() - prefix &&
           old[old.size() - 1 - suffix] == changed[changed.size() - 1 - suffix])
        ++suffix;
    Edit e{from + prefix, old.mid(prefix, old.size() - prefix - suffix),
           changed.mid(prefix, changed.size() - prefix - suffix), typed};
    // Typing a run of characters is one step of undo.
    if (typed && e.removed.isEmpty() && !undo_.empty()) {
        Edit& prev = undo_.back();
        if (prev.typed && prev.removed.isEmpty() &&
            prev.position + prev.inserted.size() == e.position && !e.inserted.contains(QChar(0x2029))) {
            prev.inserted += e.inserted;
            return;
        }
    }
    undo_.push_back(std::move(e));
}

void LogPane::undoOperatorEdit() {
    if (undo_.empty()) return;
    Edit e = std::move(undo_.back());
    undo_.pop_back();
    QTextCursor c(document());
    c.setPosition(e.position);
    c.setPosition(e.position + e.inserted.size(), QTextCursor::KeepAnchor);
    c.insertText(e.removed);
    setTextCursor(c);
}

void LogPane::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        undoOperatorEdit();
        return;
    }
    if (event->matches(QKeySequence::Redo)) return;
    if (event->matches(QKeySequence::Cut)) {
        cutSelection();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pasteClipboard();
        return;
    }
    bool typed = !event->text().isEmpty() && event->text().at(0).isPrint();
    recordEdit([&] { QPlainTextEdit::keyPressEvent(event); }, typed);
}

void LogPane::inputMethodEvent(QInputMethodEvent* event) {
    recordEdit([&] { QPlainTextEdit::inputMethodEvent(event); }, true);
}

void LogPane::dropEvent(QDropEvent* event) {
    int target = cursorForPosition(event->position().toPoint()).position();
    recordEdit([&] { QPlainTextEdit::dropEvent(event); }, false, target);
}

void LogPane::cutSelection() {
    if (!textCursor().hasSelection()) return;
    recordEdit([&] { cut(); }, false);
}

void LogPane::copySelection() { copy(); }

void LogPane::pasteClipboard() {
    recordEdit([&] { paste(); }, false);
}

QByteArray LogPane::toRtf() const {
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 MS Sans Serif;}}\r\n"
        "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    out.reserve(out.size() + document()->characterCount() * 2);
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (QChar ch : text) {
            char16_t u = ch.unicode();
            if (u == '\\' || u == '{' || u == '}') {
                out += '\\';
                out += static_cast<char>(u);
            } else if (u == '\t') {
                out += "\\tab ";
            } else if (u >= 0x20 && u < 0x80) {
                out += static_cast<char>(u);
            } else if (u >= 0x80) {
                // Unicode escape: a signed 16-bit number, then '?' for readers without Unicode,
                // written as a hex escape so that no reader takes it for part of the word.
                out += "\\u" + QByteArray::number(static_cast<int>(static_cast<int16_t>(u))) + "\\'3f";
            }
        }
        if (block.next().isValid()) out += "\\par\r\n";
    }
    out += "\\par\r\n}\r\n";
    return out;
}

void LogPane::saveRtf(const QString& fileName) const {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()).toStdString());
    QByteArray rtf = toRtf();
    if (file.write(rtf) != rtf.size() || !file.flush())
        throw std::runtime_error(
            QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()).toStdString());
}
