// The transparent send's own error texts against the reader's status-code table.
#include <gtest/gtest.h>

#include "core/transparent.h"
#include "core/verdict.h"

namespace {

TEST(TransparentErrorText, OwnRowsAndTheRowsItLacks) {
    struct Row {
        const char* code;
        const char* text;
    } rows[] = {
        {"80", "参数设置成功....."},
        {"8F", "Reader received unknown command...."},
        // Rows of the status-code table that this table has not, and codes neither has.
        {"1", ""}, {"5", ""}, {"7", ""}, {"10", ""}, {"00", ""}, {"", ""}, {"86", ""}, {"8f", ""}, {"97", ""},
    };
    for (const Row& r : rows) EXPECT_EQ(console::transparentErrorText(r.code), r.text) << r.code;
    EXPECT_NE(console::falsereason("80"), console::transparentErrorText("80"));
    EXPECT_NE(console::falsereason("10"), "");
}

TEST(TransparentErrorText, EveryOtherReaderCodeReadsTheSame) {
    for (const char* code : {"81", "82", "83", "84", "85", "87", "89", "8A", "8B", "8C", "90", "91", "92",
                             "93", "94", "95", "96"}) {
        EXPECT_FALSE(console::transparentErrorText(code).empty()) << code;
        EXPECT_EQ(console::transparentErrorText(code), console::falsereason(code)) << code;
    }
}

}  // namespace
