#include "linetext.h"

#include <algorithm>

QChar LineText::operator[](qsizetype i) const {
    if (const auto* latin1 = std::get_if<QByteArray>(&text_)) return QLatin1Char(latin1->at(i));
    return std::get<QString>(text_)[i];
}

void LineText::appendTo(QString& out, qsizetype from, qsizetype n) const {
    const qsizetype size = this->size();
    from = std::clamp<qsizetype>(from, 0, size);
    n = n < 0 ? size - from : std::min(n, size - from);
    if (const auto* latin1 = std::get_if<QByteArray>(&text_))
        out += QLatin1StringView(latin1->constData() + from, n);
    else
        out += QStringView(std::get<QString>(text_)).mid(from, n);
}

QString LineText::mid(qsizetype from, qsizetype n) const {
    if (const auto* text = std::get_if<QString>(&text_)) return text->mid(from, n);  // shares a whole line
    QString out;
    appendTo(out, from, n);
    return out;
}

QStringView LineText::view(QString& scratch, qsizetype from, qsizetype n) const {
    if (const auto* text = std::get_if<QString>(&text_)) return QStringView(*text).mid(from, n);
    scratch = mid(from, n);
    return scratch;
}

QString& LineText::edit() {
    if (!std::holds_alternative<QString>(text_)) text_ = toString();
    return std::get<QString>(text_);
}
