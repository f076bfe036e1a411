#include "verdict.h"

#include <ctime>
#include <cstdio>
#include <utility>

#include "hextext.h"

namespace console {
namespace {

struct CodeMessage {
    const char* code;
    const char* message;
};

const CodeMessage kCodes[] = {
    {"1", "命令操作失败....."},
    {"2", "数据丢包....."},
    {"3", "没有选择准确的COM口....."},
    {"4", "和卡通讯超时....."},
    {"5", "XOR校验出错....."},
    {"7", "Xor校验出错....."},
    {"10", "输入的参数大于最大允许范围，溢出....."},
    {"80", "命令创作成功....."},
    {"81", "参数设置失败...."},
    {"82", "通讯超时 ...."},
    {"83", "卡不存在...."},
    {"84", "接收卡数据出错...."},
    {"85", "输入参数或者输入命令格式错误...."},
    {"87", "未知的错误...."},
    {"89", "The parameter of the command or the Format of the command Erro..."},
    {"8A", "在块初始化中出现错误..."},
    {"8B", "在防冲突过程中得到错误的序列号...."},
    {"8C", "密码认证没通过...."},
    {"8F", "读写设备接收到了未定义的命令....."},
    {"90", "卡不支持这个命令...."},
    {"91", "命令格式有错误...."},
    {"92", "在命令的FLAG参数中，不支持OPTION 模式...."},
    {"93", "要操作的BLOCK不存在...."},
    {"94", "要操作的对象已经别锁定，不能进行修改...."},
    {"95", "锁定操作不成功...."},
    {"96", "写操作不成功...."},
};

std::function<LocalTime()>& clock() {
    static std::function<LocalTime()> c;
    return c;
}

LocalTime systemTime() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

std::string falsereason(const std::string& code) {
    if (code.empty() || code == "00") return {};
    for (const auto& row : kCodes)
        if (code == row.code) return row.message;
    return {};
}

std::string replyStatus(const std::string& reply) { return Copy(reply, 7, 2); }
std::string replyErrorCode(const std::string& reply) { return Copy(reply, 9, 2); }

ReplyKind judgeReply(const std::string& reply) {
    if (reply.empty()) return ReplyKind::None;
    std::string status = replyStatus(reply);
    if (status == "00") return ReplyKind::Success;
    if (status == "01") return ReplyKind::Failure;
    return ReplyKind::Damaged;
}

void setClock(std::function<LocalTime()> c) { clock() = std::move(c); }

LocalTime currentTime() { return clock() ? clock()() : systemTime(); }

std::string timeStamp(const LocalTime& t) {
    int hour = t.hour % 12;
    if (hour == 0) hour = 12;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %s", hour, t.minute, t.second,
                  t.hour < 12 ? "AM" : "PM");
    return text;
}

std::string timeStamp() { return timeStamp(currentTime()); }

std::string dateTimeStamp(const LocalTime& t) {
    char text[48];
    std::snprintf(text, sizeof text, "   %04d.%02d.%02d   ", t.year, t.month, t.day);
    return text + timeStamp(t) + "   ";
}

}  // namespace console
