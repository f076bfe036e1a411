// One line of a text view: UTF-16, or Latin-1 for a line the program adds as Latin-1 (a
// received hex dump at half the memory, which is most of what a fast receive costs). Read
// through size(), operator[] and the copies below; an edit turns it into UTF-16 first.
#pragma once
#include <QByteArray>
#include <QString>
#include <variant>

class LineText {
public:
    LineText() = default;
    LineText(QString text) : text_(std::move(text)) {}
    explicit LineText(QByteArray latin1) : text_(std::move(latin1)) {}
    qsizetype size() const { return std::visit([](const auto& t) { return t.size(); }, text_); }
    bool isEmpty() const { return size() == 0; }
    QChar operator[](qsizetype i) const;
    // Units [from, from + n) appended to `out`; n < 0: to the end. Out of range is clamped.
    void appendTo(QString& out, qsizetype from = 0, qsizetype n = -1) const;
    QString mid(qsizetype from, qsizetype n = -1) const;
    QString left(qsizetype n) const { return mid(0, n); }
    QString toString() const { return mid(0); }
    // Units [from, from + n) in place, or for Latin-1 as UTF-16 in `scratch`.
    QStringView view(QString& scratch, qsizetype from, qsizetype n) const;
    QString& edit();  // the text as UTF-16, to change in place
    // Calls f with the text as a QStringView or a QLatin1StringView, for loops over many
    // characters that would otherwise ask for the kind of text at each one.
    template <typename F>
    decltype(auto) visit(F&& f) const {
        if (const auto* latin1 = std::get_if<QByteArray>(&text_)) return f(QLatin1StringView(*latin1));
        return f(QStringView(std::get<QString>(text_)));
    }

private:
    std::variant<QString, QByteArray> text_;
};
