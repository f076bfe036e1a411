#include "transparent.h"

#include "hextext.h"

namespace console {
namespace {

struct CodeText {
    const char* code;
    const char* text;
};

// Differs from the reader's status-code table: no single-digit rows and no "10", and its
// own words for "80" and "8F".
const CodeText kTransparentErrors[] = {
    {"80", "参数设置成功....."},
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
    {"8F", "Reader received unknown command...."},
    {"90", "卡不支持这个命令...."},
    {"91", "命令格式有错误...."},
    {"92", "在命令的FLAG参数中，不支持OPTION 模式...."},
    {"93", "要操作的BLOCK不存在...."},
    {"94", "要操作的对象已经别锁定，不能进行修改...."},
    {"95", "锁定操作不成功...."},
    {"96", "写操作不成功...."},
};

constexpr unsigned kCommand = 0x0D;

// The list's text as a hex number; a text that is none counts as 0, as in every frame.
unsigned addressValue(const std::string& address) {
    unsigned value = 0;
    for (char c : hexDigits(address)) {
        unsigned digit = c <= '9' ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
        value = ((value << 4) | digit) & 0xFF;
    }
    return value;
}

}  // namespace

TransparentFrame transparentFrame(const std::string& address, const std::string& data) {
    TransparentFrame frame;
    const std::string digits = hexDigits(data);
    if (digits.size() % 2 != 0) {
        frame.refusal = TransparentFrame::Refusal::OddDigits;
        return frame;
    }
    const std::size_t n = digits.size() / 2;
    if (n > static_cast<std::size_t>(kMaxTransparentBytes)) {
        frame.refusal = TransparentFrame::Refusal::TooLong;
        frame.dataBytes = static_cast<int>(n);
        return frame;
    }
    frame.dataBytes = static_cast<int>(n);
    const unsigned length = static_cast<unsigned>(n) + 2;
    unsigned x = addressValue(address) ^ length ^ kCommand ^ static_cast<unsigned>(n);
    for (std::size_t i = 0; i < n; ++i) x ^= static_cast<unsigned>(pairValue(digits.substr(2 * i, 2)));
    frame.text = "02" + address + hexByte(length) + hexByte(kCommand) + hexByte(static_cast<unsigned>(n)) + data +
                 hexByte(x) + "03";
    return frame;
}

std::string transparentErrorText(const std::string& code) {
    for (const CodeText& row : kTransparentErrors)
        if (code == row.code) return row.text;
    return {};
}

}  // namespace console
