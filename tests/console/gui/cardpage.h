// What the card page tests share: a fixture on one page of the main window, with a table row
// of reply and expected lines, and log lines that print as text when a check fails.
#pragma once
#include <optional>
#include <ostream>

#include "operator.h"

static inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// One button's reply (none: the read delivers nothing) and the lines it must give.
struct ReplyLines {
    const char* name;
    const char* button;
    std::optional<Bytes> reply;
    QStringList lines;
};

class CardPage : public Operator {
protected:
    explicit CardPage(int page) : page_(page) {}
    void SetUp() override {
        Operator::SetUp();
        form->setActivePage(page_);
    }
    // A verdict text followed by the time stamp.
    static QString t(const char* text) { return QString::fromUtf8(text) + kTime; }
    // Clicks each row's button on its reply and compares the lines added.
    template <std::size_t N>
    void expectLines(const ReplyLines (&rows)[N]) {
        for (const ReplyLines& r : rows) {
            form->RichEdit1->clearAll();
            if (r.reply)
                fake.queueReply(*r.reply);
            else
                fake.queueEmptyRead();
            click(r.button);
            EXPECT_EQ(lines(), r.lines) << r.name;
        }
        EXPECT_TRUE(errors.isEmpty());
    }

private:
    int page_;
};
