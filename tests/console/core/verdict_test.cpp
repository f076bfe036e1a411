#include "core/transfer.h"
#include "core/verdict.h"

#include <gtest/gtest.h>

using namespace console;

namespace {

TEST(Frames, ReaderFrame) {
    struct Row {
        const char* address;
        const char* data;
        const char* frame;
    } rows[] = {
        {"00", "83", "020001838203"},
        {"00", "8 3", "020001838203"},
        {"00", "83\r\n", "020001838203"},
        {"0a", "83", "020a01838803"},
        {"00", "", "0200000003"},
        {"11", "", "0211001103"},
        {"00", "820F000000010101 00", "020009820F0000000101010085" "03"},
        {"00", "0f01", "0200020f010C03"},
        {"00", "cf", "020001cfCE03"},
        {"00", "c0", "020001c0C103"},
        // An odd digit stays in the text; the transfer drops the last digit.
        {"00", "838", "020001838" "8203"},
    };
    for (const Row& r : rows) EXPECT_EQ(readerFrame(r.address, r.data), r.frame) << r.data;
}

TEST(Frames, UhfPassThroughFrame) {
    EXPECT_EQ(uhfFrame("00", "BB 00 22 00 00 22 7E"), "020008ceBB002200002" "27E0303");
}

TEST(Verdict, ReplyKinds) {
    EXPECT_EQ(judgeReply(""), ReplyKind::None);
    EXPECT_EQ(judgeReply("0200010001" "03"), ReplyKind::Success);
    EXPECT_EQ(judgeReply("020002018380" "03"), ReplyKind::Failure);
    EXPECT_EQ(judgeReply("0200010203" "03"), ReplyKind::Damaged);
    EXPECT_EQ(judgeReply("0200"), ReplyKind::Damaged) << "too short to hold a status";
    EXPECT_EQ(replyErrorCode("020002018380" "03"), "83");
}

TEST(Verdict, FalseReason) {
    EXPECT_EQ(falsereason("83"), "卡不存在....");
    EXPECT_EQ(falsereason("82"), "通讯超时 ....");
    EXPECT_EQ(falsereason("8A"), "在块初始化中出现错误...");
    EXPECT_EQ(falsereason("1"), "命令操作失败.....");
    for (const char* none : {"", "00", "01", "05", "8a", "FF"}) EXPECT_EQ(falsereason(none), "") << none;
}

TEST(Verdict, TimeStamps) {
    struct Row {
        int hour;
        const char* text;
    } rows[] = {{0, "12:05:09 AM"}, {9, "09:05:09 AM"}, {12, "12:05:09 PM"}, {23, "11:05:09 PM"}};
    for (const Row& r : rows) EXPECT_EQ(timeStamp(LocalTime{2026, 3, 4, r.hour, 5, 9}), r.text);
    EXPECT_EQ(dateTimeStamp(LocalTime{2026, 3, 4, 13, 5, 9}), "   2026.03.04   01:05:09 PM   ");
    setClock([] { return LocalTime{2026, 1, 2, 3, 4, 5}; });
    EXPECT_EQ(timeStamp(), "03:04:05 AM");
    setClock(nullptr);
}

}  // namespace
