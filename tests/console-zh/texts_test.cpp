// Vorcard-zh's texts: every Chinese log text of the build is in its tables, and none of the
// table entries is left in English.
#include <QString>
#include <set>

#include "gui/SystemPageTexts.h"
#include "zhoperator.h"

namespace {

// The texts of the build's log lines, messages and verdicts, each once, trailing blanks kept.
const char* const kChineseTexts[] = {
    "无有效数据，请检查设备是否联接....",
    "接收...",
    "发送...",
    "没有可用串口",
    "通讯错误，没有接收到数据..   ",
    "数据丢包，流水校验出错   ",
    "输出格式设置成功   ",
    "输出格式设置失败   ",
    "读取输出格式成功   ",
    "读取输出格式失败   ",
    "输出格式为：  ",
    "输出格式：  ",
    "没有增加自定义字节输出。   ",
    "自定义字节输出数据为：  ",
    "前面不加分号 ",
    "前面加分号",
    "中间不加逗号 ",
    "中间加逗号",
    "后面不加问号 ",
    "后面加问号",
    "最后面不加回车 ",
    "最后面加回车",
    "设置主动读卡成功   ",
    "设置主动读卡失败   ",
    "设置被动读卡成功   ",
    "设置被动读卡失败   ",
    "寻卡时间间隔设置成功   ",
    "寻卡时间间隔设置失败   ",
    "卡片过滤次数设置成功   ",
    "卡片过滤次数设置失败   ",
    "输出接口设置成功   ",
    "输出接口设置失败   ",
    "前缀设置成功   ",
    "前缀设置失败   ",
    "波特率设置成功   ",
    "波特率设置失败   ",
    "输出结束符设置成功   ",
    "输出结束符设置失败   ",
    "恢复出厂设置成功   ",
    "恢复出厂设置失败   ",
    "维根输出格式设置成功   ",
    "维根输出格式设置失败   ",
    "维根取值位置 设置成功   ",
    "维根取值位置 设置失败   ",
    "维根低电平脉宽设置  成功   ",
    "维根低电平脉宽设置  失败   ",
    "维根空闲电平脉宽设置  成功   ",
    "维根空闲电平脉宽设置  失败   ",
    "射频输出功率设置 成功   ",
    "射频输出功率设置 失败   ",
    "读取版本号成功   ",
    "读取版本号失败   ",
    "版本号为：",
    "主动寻单卡EPC号",
    "被动读写器模式",
    "主动寻多张卡EPC号",
    "主动读TID号",
    "主动读取存储扇区",
    "设置 ",
    " 成功",
    "设置",
    "失败",
    "停止发卡",
    "自动发卡",
    "USB虚拟串口设置成功   ",
    "USB虚拟串口设置失败   ",
    "USB_HID模式设置成功   ",
    "USB_HID模式设置失败   ",
    "10位16进制",
    "8位16进制",
    "8位16进制反向输出",
    "00+8位10进制（id后3字节转换）",
    "8位10进制（id后3字节转换）",
    "18位10进制（卡上全部数字）",
    "8位10进制（卡上后8位）",
    "5位10进制（卡上后5位）",
    "8位10进制（id后4字节转换）",
    "10位10进制反向输出（id后4字节转换）",
    "13位10进制（id5字节转换）",
    "10位10进制（id后4字节转换）",
    "2H4D + 2H4D ",
    "7字节 AND 4字节 16进制",
    "反向 7字节 AND 4字节 16进制",
    "EPC卡号转换成GS1格式输出（sgtin-96）...",
    "卡号转换成ASCII输出...",
    "卡号自定义长度16进制输出...",
    "打开ID卡或者IC卡功能",
    "打开ID卡或者IC卡功能成功   ",
    "打开ID卡或者IC卡功能失败..   ",
    "关闭ID卡或者IC卡功能",
    "关闭ID卡或者IC卡功能成功   ",
    "关闭ID卡或者IC卡功能失败..   ",
    "后缀设置成功   ",
    "后缀设置失败   ",
    "发送蜂鸣器关闭指令",
    "发送蜂鸣器打开指令",
    "无法加载USB访问库 %1：%2",
    "USB访问库 %1 中没有函数 %2",
    "数据帧 %1 字节，没有发送：一帧最多 %2 字节",
    "字节数 %1 超出范围，请输入 0 到 127",
    "'%1' 缺少第%2段计数：计数器要19到24位16进制数"
};

// A texts table is a struct of text pointers only: its entries in declaration order.
template <typename Table>
std::vector<const char*> entries(const Table& table) {
    static_assert(sizeof(Table) % sizeof(const char*) == 0);
    auto* first = reinterpret_cast<const char* const*>(&table);
    return {first, first + sizeof(Table) / sizeof(const char*)};
}

std::vector<const char*> zhEntries() {
    std::vector<const char*> all;
    auto add = [&](std::vector<const char*> more) { all.insert(all.end(), more.begin(), more.end()); };
    add(entries(zh::kTransferTexts));
    add(entries(zh::kOutputFormatTexts));
    add(entries(zh::kDeviceSettingsTexts));
    add(entries(zh::kUhfTexts));
    add(entries(kSystemPageTextsChinese));
    add({zh::kNoComPort, zh::kBuzzerOnLine, zh::kBuzzerOffLine, zh::kIdIcOn, zh::kIdIcOnSuccess, zh::kIdIcOnFailure,
         zh::kIdIcOff, zh::kIdIcOffSuccess, zh::kIdIcOffFailure});
    return all;
}

bool chinese(const char* text) {
    for (QChar c : QString::fromUtf8(text))
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
    return false;
}

TEST(ZhTexts, EveryTextIsInTheTables) {
    std::set<std::string> listed;
    const std::vector<const char*> all = zhEntries();
    for (const char* text : kChineseTexts) {
        EXPECT_TRUE(listed.insert(text).second) << "listed twice: " << text;
        int found = 0;
        for (const char* entry : all) found += entry && std::string(entry) == text;
        EXPECT_GE(found, 1) << "missing: \"" << text << "\"";
    }
}

TEST(ZhTexts, NothingLeftInEnglish) {
    // Entries both builds write alike, or that hold no words.
    const std::set<std::string> same{"", "2H4D + 2H4D ",
                                     // the UHF module's work mode, damaged answer
                                     "data error,please check data..   "};
    for (const char* entry : zhEntries()) {
        if (!entry) continue;  // a line this build does not write
        EXPECT_TRUE(chinese(entry) || same.count(entry)) << "\"" << entry << "\"";
    }
    // Vorcard's tables are the English ones: the check finds them.
    int english = 0;
    for (const char* entry : entries(TForm1::kOutputFormatTexts)) english += entry && !chinese(entry);
    EXPECT_GT(english, 20);
}

}  // namespace
