// The shaped glyphs of pieces of text painted lately, by where they stand, with the text they
// were shaped from: a repaint of the same view shapes nothing again. Emptied when it grows too
// big, or when the font changes.
#pragma once
#include <QGlyphRun>
#include <QList>
#include <QString>
#include <unordered_map>

class QFont;
class QPainter;

class GlyphCache {
public:
    // Draws `piece` with the baseline's left end at `at`; `key` names where it stands.
    void draw(QPainter& p, const QFont& font, quint64 key, QStringView piece, QPointF at);
    void clear() { shaped_.clear(); }

private:
    struct Shaped {
        QString text;
        QList<QGlyphRun> runs;
        qreal ascent = 0;
    };
    std::unordered_map<quint64, Shaped> shaped_;
};
