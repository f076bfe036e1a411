// Judging a reply: the status byte, the reader's error-code messages and the time stamp that
// ends a log line.
#pragma once
#include <functional>
#include <string>

namespace console {

// Line end of most log lines; a line that ends in it leaves an empty line after it.
inline constexpr const char* kCrLf = "\r\n";

// The shared no-reply and damaged-reply texts of the pages (trailing blanks are theirs).
namespace texts {
inline constexpr const char* kNoReplyChinese = "通讯错误，没有接收到数据..   ";
inline constexpr const char* kNoReplyWideComma = "Data error，no data recevice..   ";
inline constexpr const char* kNoReply = "Data error,no data recevice..   ";
inline constexpr const char* kNoReplyUhf = "error,no data  receive..   ";
inline constexpr const char* kDamagedChinese = "数据丢包，流水校验出错   ";
inline constexpr const char* kDamaged = "data error,please check data..   ";
inline constexpr const char* kDamagedUhf = "check sum error.....   ";
}  // namespace texts

// Message for a reader error code; empty for "", "00" and codes the reader table lacks.
std::string falsereason(const std::string& code);

enum class ReplyKind {
    None,     // no reply at all
    Success,  // status "00"
    Failure,  // status "01"; the error code follows
    Damaged,  // any other status
};

ReplyKind judgeReply(const std::string& reply);
std::string replyStatus(const std::string& reply);     // characters 7-8
std::string replyErrorCode(const std::string& reply);  // characters 9-10

struct LocalTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// The clock that stamps log lines; tests set one that stands still. An empty function
// restores the system clock.
void setClock(std::function<LocalTime()> clock);
LocalTime currentTime();

// "hh:mm:ss AM/PM" on the 12-hour clock.
std::string timeStamp(const LocalTime& t);
std::string timeStamp();
// "   yyyy.mm.dd   hh:mm:ss AM/PM   " for the status bar clock.
std::string dateTimeStamp(const LocalTime& t);

}  // namespace console
