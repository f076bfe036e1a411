// The log pane: a text view of every line the program logs, which the operator may also edit.
// Adding a line costs the same with a million lines as with a thousand: it is kept, and
// measured and drawn only when it shows. The view follows new lines while it stands at the
// end; scrolled up, it stays where the operator put it. Lines the program adds are not
// undoable and do not grow the undo history. The pane saves itself as Rich Text Format.
#pragma once
#include <QBasicTimer>
#include <climits>

#include "textview/textview.h"

class LogPane : public TextView {
    Q_OBJECT
public:
    explicit LogPane(QWidget* parent = nullptr);

    // Appends the text as a new line; CR LF (or a lone CR or LF) inside starts further lines,
    // so a text that ends in CR LF leaves an empty line after it. The view follows within a
    // frame (the next operator input, at once).
    void addLine(QString text);
    // The same for Latin-1 text, which the pane keeps at one byte a character.
    void addLatin1Line(QByteArray text);
    void clearAll();  // empties the pane and forgets the undo history

    // The whole content as Rich Text Format.
    QByteArray toRtf() const;
    // Writes toRtf() to the file, replacing it; throws std::runtime_error on failure.
    void saveRtf(const QString& fileName) const;

protected:
    void settle() override;  // runs a pending followEnd() now
    void timerEvent(QTimerEvent* event) override;

private:
    template <typename Text>
    void addText(Text text);
    // Scroll ranges up to date and the added lines shown: the view moves to the end if it
    // stood there when they began to arrive.
    void followEnd();

    QBasicTimer refresh_;       // pending followEnd() after added lines
    int firstAdded_ = INT_MAX;  // first line added since the last followEnd()
    bool follow_ = true;        // the view stood at the end when the lines began to arrive
};
