// The caret's line as it shows while an input method composes at the caret: the composition
// stands in the line as if typed there, and in a wrapping view the line wraps as it would with
// the composition typed in, by the rule the layout's own lines wrap by, from the row before the caret's
// down to a row that starts where one of the line's own rows did. No widget: the view paints
// it, places the caret in it and hit-tests it.
//
// Columns here are the composed line's: the line's own before at(), the composition's from
// there for length() columns, then the line's own again, length() further on.
#pragma once
#include <QList>
#include <QTextLayout>
#include <memory>
#include <vector>

#include "textlayout.h"

class ComposedLine {
public:
    // The composition `text` with its `formats` at `at`, in `layout`'s font; the layout is up to
    // date and stays so while this is used.
    void build(const TextLines& lines, TextLayout& layout, TextPosition at, const QString& text,
               const QList<QTextLayout::FormatRange>& formats);
    void clear() { layout_ = nullptr; }
    bool active() const { return layout_ != nullptr; }

    int line() const { return line_; }
    int at() const { return at_; }
    int length() const { return length_; }
    int size() const;  // the composed line's length

    int rowCount() const;
    int extraRows() const { return rowCount() - ownRows_; }  // more than the line has of its own
    int rowStart(int row) const;
    int rowEnd(int row) const { return row + 1 < rowCount() ? rowStart(row + 1) : size(); }
    // The row a column stands in: at a row's start, that row.
    int rowOf(int column) const;
    // Content x of a column from the line's start, and from its row's start.
    qreal x(int column) const;
    qreal xInRow(int row, int column) const { return x(column) - x(rowStart(row)); }
    // The column in a row nearest to content x from the row's start, never inside a character.
    int columnAt(int row, qreal x) const;
    qreal width() const { return x(size()); }

    // The composition laid out on its own, with its formats, to draw; x of a column of it.
    const QTextLayout& composition() const { return *text_; }
    qreal compositionX(int column) const;

private:
    struct Source;  // the composed line as the row break reads it
    int fit(int from, qreal room) const;  // as LineMetrics::fit() for the composed line
    QChar charAt(int column) const;
    int previousCharacter(int column) const;  // whole characters of the composed line
    int nextCharacter(int column) const;
    void wrap(int width);

    const TextLines* lines_ = nullptr;
    TextLayout* layout_ = nullptr;
    std::unique_ptr<QTextLayout> text_;
    QString composed_;
    int line_ = 0, at_ = 0, length_ = 0;
    int ownRows_ = 1;
    int kept_ = 0;              // the line's own rows before the first one the composition changes
    std::vector<int> changed_;  // where the changed rows start, the first where it did before
    int resumed_ = -1;          // the line's own row from which its rows follow as before; -1: none
};
