#include "glyphcache.h"

#include <QPainter>
#include <QTextLayout>

namespace {

// Whether a text lays out exactly as QPainter::drawText() draws it, so that its shaped glyphs
// can be kept and drawn again: no right-to-left script, no bidirectional or other format
// control (drawText() draws left to right without reordering), no surrogate pair.
bool shapesAsDrawn(QStringView text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x0590 || (u >= 0x1100 && u < 0x2000) || (u >= 0x2070 && u < 0xD800) || (u >= 0xFF00 && u < 0xFFF0))
            continue;
        return false;
    }
    return true;
}

}  // namespace

void GlyphCache::draw(QPainter& p, const QFont& font, quint64 key, QStringView piece, QPointF at) {
    constexpr std::size_t kLimit = 4096;
    if (!shapesAsDrawn(piece)) return p.drawText(at, piece.toString());
    auto it = shaped_.find(key);
    if (it == shaped_.end() || it->second.text != piece) {
        if (shaped_.size() >= kLimit) shaped_.clear();
        Shaped shaped;
        shaped.text = piece.toString();
        QTextLayout layout(shaped.text, font);
        layout.beginLayout();
        const QTextLine row = layout.createLine();
        layout.endLayout();
        shaped.runs = layout.glyphRuns();
        shaped.ascent = row.ascent();
        it = shaped_.insert_or_assign(key, std::move(shaped)).first;
    }
    const QPointF origin(at.x(), at.y() - it->second.ascent);
    for (const QGlyphRun& run : it->second.runs) p.drawGlyphRun(origin, run);
}
