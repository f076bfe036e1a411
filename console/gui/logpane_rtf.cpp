// The log pane saved as Rich Text Format that common readers open, Chinese included.
#include <QFile>
#include <stdexcept>

#include "core/codepage.h"
#include "logpane.h"

namespace {

// The Unicode control word of one UTF-16 unit (a signed 16-bit number), announcing how many
// fallback bytes follow, then those bytes as hex escapes for readers that take only the
// document's code page.
void appendUnicode(QByteArray& out, char16_t unit, const std::string& fallback) {
    out += "\\uc" + QByteArray::number(static_cast<int>(fallback.size())) + "\\u" +
           QByteArray::number(static_cast<int>(static_cast<int16_t>(unit)));
    for (unsigned char byte : fallback) {
        static const char digits[] = "0123456789abcdef";
        out += "\\'";
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
}

}  // namespace

QByteArray LogPane::toRtf() const {
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 MS Sans Serif;}}\r\n"
        "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    console::Cp936Encoder cp936;
    const int lines = lineCount();
    for (int i = 0; i < lines; ++i) {
        for (QChar ch : line(i)) {
            char16_t u = ch.unicode();
            if (u == '\\' || u == '{' || u == '}') {
                out += '\\';
                out += static_cast<char>(u);
            } else if (u == '\t') {
                out += "\\tab ";
            } else if (u >= 0x20 && u < 0x80) {
                out += static_cast<char>(u);
            } else if (u >= 0x80) {
                // The character's code page 936 bytes as its fallback, or "?" where it has none.
                // A character beyond U+FFFF goes as its two UTF-16 halves, each with "?".
                std::string bytes = QChar::isSurrogate(u) ? std::string() : cp936.bytes(u);
                appendUnicode(out, u, bytes.empty() ? "?" : bytes);
            }
        }
        if (i + 1 < lines) out += "\\par\r\n";
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
