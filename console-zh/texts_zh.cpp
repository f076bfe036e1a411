// The texts of Vorcard-zh's pages. Texts the two builds share stay with their pages.
#include "TForm1Zh.h"
#include "core/verdict.h"

namespace texts = console::texts;

namespace zh {

const console::TransferTexts kTransferTexts = {"无有效数据，请检查设备是否联接....", "接收...", "发送...",
                                               "无法加载USB访问库 %1：%2",
                                               "USB访问库 %1 中没有函数 %2",
                                               "数据帧 %1 字节，没有发送：一帧最多 %2 字节"};

const TForm1::OutputFormatPageTexts kOutputFormatTexts = {
    .noReplyWide = texts::kNoReplyChinese,
    .noReply = texts::kNoReplyChinese,
    .damaged = texts::kDamagedChinese,
    .setSuccess = "输出格式设置成功   ",
    .setFailure = "输出格式设置失败   ",
    .readSuccess = "读取输出格式成功   ",
    .readFailure = "读取输出格式失败   ",
    .formatHead = "输出格式为：  ",
    .flagHead = "输出格式：  ",
    .semicolon = {"前面加分号", "前面不加分号 "},
    .comma = {"中间加逗号", "中间不加逗号 "},
    .question = {"后面加问号", "后面不加问号 "},
    .enter = {"最后面加回车", "最后面不加回车 "},
    .enterLineEnd = "",
    .noCustom = "没有增加自定义字节输出。   ",
    .customIs = "自定义字节输出数据为：  ",
    .activeSuccess = "设置主动读卡成功   ",
    .activeFailure = "设置主动读卡失败   ",
    .passiveSuccess = "设置被动读卡成功   ",
    .passiveFailure = "设置被动读卡失败   ",
    .factorySuccess = "恢复出厂设置成功   ",
    .factoryFailure = "恢复出厂设置失败   ",
    .versionSuccess = "读取版本号成功   ",
    .versionFailure = "读取版本号失败   ",
    .versionIs = "版本号为：",
    .formatNames = {"2H4D + 2H4D ", "7字节 AND 4字节 16进制", "反向 7字节 AND 4字节 16进制", "8位16进制反向输出",
                    "EPC卡号转换成GS1格式输出（sgtin-96）...", "13位10进制（id5字节转换）", "18位10进制（卡上全部数字）",
                    "10位16进制", "5位10进制（卡上后5位）", "8位10进制（id后4字节转换）",
                    "10位10进制反向输出（id后4字节转换）", "8位10进制（id后3字节转换）", "8位16进制",
                    "00+8位10进制（id后3字节转换）", "8位10进制（卡上后8位）", "10位10进制（id后4字节转换）",
                    "卡号转换成ASCII输出..."},
    .customLength = "卡号自定义长度16进制输出...",
    .byteCountOutOfRange = "字节数 %1 超出范围，请输入 0 到 127",
};

const TForm1::DeviceSettingsPageTexts kDeviceSettingsTexts = {
    texts::kNoReplyChinese,
    texts::kDamagedChinese,
    {"寻卡时间间隔", "寻卡时间间隔设置成功   ", "寻卡时间间隔设置失败   "},
    {"卡片过滤次数", "卡片过滤次数设置成功   ", "卡片过滤次数设置失败   "},
    {"输出接口", "输出接口设置成功   ", "输出接口设置失败   "},
    {"波特率", "波特率设置成功   ", "波特率设置失败   "},
    {"串口输出结束符", "输出结束符设置成功   ", "输出结束符设置失败   "},
    {"射频输出功率", "射频输出功率设置 成功   ", "射频输出功率设置 失败   "},
    {"前缀", "前缀设置成功   ", "前缀设置失败   "},
    {"后缀", "后缀设置成功   ", "后缀设置失败   "},
    {"维根输出格式", "维根输出格式设置成功   ", "维根输出格式设置失败   "},
    {"维根取值位置", "维根取值位置 设置成功   ", "维根取值位置 设置失败   "},
    {"维根低电平脉宽", "维根低电平脉宽设置  成功   ", "维根低电平脉宽设置  失败   "},
    {"维根空闲电平脉宽", "维根空闲电平脉宽设置  成功   ", "维根空闲电平脉宽设置  失败   "},
    "%1：%2 超出范围，请输入 0 到 255 的数；没有发送",
    "%1：%2 超出范围，请输入 00 到 FF 的16进制数；没有发送",
    "%1 第%2个字节：\"%3\" 不是一个字节，请输入两位16进制数或者留空；没有发送",
};

const UhfPageTexts kUhfTexts = {
    .readerModeNames = {"主动寻单卡EPC号", "被动读写器模式", "主动寻多张卡EPC号", "主动读TID号", ""},
    .readerModeSuccessHead = "设置 ",
    .readerModeSuccessTail = " 成功",
    .readerModeFailureHead = "设置",
    .readerModeFailureTail = "失败",
    .readerModeNoReply = texts::kNoReplyChinese,
    .readerModeDamaged = texts::kDamagedChinese,
    .startIssueCaption = "自动发卡",
    .stopIssueCaption = "停止发卡",
    .writeSuccess = nullptr,
    .workModeNames = {"主动寻单卡EPC号", "被动读写器模式", "主动寻多张卡EPC号", "主动读TID号", "主动读取存储扇区"},
    .workModeSuccessHead = "设置 ",
    .workModeSuccessTail = " 成功",
    .workModeFailureHead = "设置",
    .workModeFailureTail = "失败",
    .workModeDamaged = texts::kDamaged,
    .virtualSerialSuccess = "USB虚拟串口设置成功   ",
    .virtualSerialFailure = "USB虚拟串口设置失败   ",
    .usbHidSuccess = "USB_HID模式设置成功   ",
    .usbHidFailure = "USB_HID模式设置失败   ",
    .serialNoReply = texts::kNoReplyChinese,
    .serialDamaged = texts::kDamagedChinese,
    .refusedEpc = "EPC号没有写入：它必须是1到31个完整的字（每字4位16进制数）   ",
    .refusedPassword = "EPC号没有写入：访问密码必须是8位16进制数   ",
    .refusedStep = "EPC号没有写入：累加值不能加到EPC号上   ",
    .refusedSector = "没有发送：扇区、地址和长度各2位16进制数，密码8位   ",
    .counterTooShort = "'%1' 缺少第%2段计数：计数器要19到24位16进制数",
};

}  // namespace zh
