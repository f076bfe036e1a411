// The system command page: the reader's address (80/83), baud rate (81), serial number
// (82/83), LED, LED-R and buzzer (88/87/89), active and passive reading (0F), and the loop
// interval Edit22 of the continuous modes. The fields go out as typed; the reader judges them.
#include <QComboBox>
#include <QLineEdit>

#include "SystemPageTexts.h"
#include "TForm1.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/verdict.h"

using console::Copy;
using console::kCrLf;
using console::ReplyText;
using console::timeStamp;

const SystemPageTexts kSystemPageTexts = {
    .noReplyPort = console::texts::kNoReplyWideComma,
    .noReply = console::texts::kNoReplyChinese,
    .damaged = console::texts::kDamagedChinese,
    .baudSet = "波特率设置成功   ",
    .baudSetFailed = "波特率设置失败   ",
    .address = "系统地址为 : ",
    .addressFailed = "操作失败        ",
    .addressSet = "读写器地址设置成功   ",
    .addressSetFailed = "读写器地址设置失败   ",
    .serialRead = "读序列号成功   ",
    .serialReadAddress = "地址为：",
    .serialReadNumber = "序列号为：",
    .serialReadFailed = "读序列号失败   ",
    .serialSet = "机器序列号设置成功   ",
    .serialSetFailed = "机器序列号设置失败   ",
    .led = "设置LED操作成功   ",
    .ledFailed = "设置LED操作失败   ",
    .ledR = "设置LED-R操作成功   ",
    .ledRFailed = "设置LED-R操作失败   ",
    .buzzer = "设置BUZ操作成功   ",
    .buzzerFailed = "设置BUZ操作失败   ",
};

// The Chinese build says the same but for one no-reply text for all eight commands.
const SystemPageTexts kSystemPageTextsChinese = [] {
    SystemPageTexts t = kSystemPageTexts;
    t.noReplyPort = console::texts::kNoReplyChinese;
    return t;
}();

namespace {

constexpr int kWait = 300;

// The baud codes of the item texts; any other text has none.
std::string baudCode(const std::string& text) {
    static const char* const kBauds[][2] = {
        {"9600", "00"}, {"19200", "01"}, {"38400", "02"}, {"57600", "03"}, {"115200", "04"}};
    for (const auto& b : kBauds)
        if (text == b[0]) return b[1];
    return {};
}

}  // namespace

void TForm1::Button12Click() {
    const SystemPageTexts& t = *SystemTexts;
    Send("81" + baudCode(ComboBox5->currentText().toStdString()));
    Delay(kWait);
    judge(t.noReplyPort, t.damaged, t.baudSetFailed,
          [&] { addLog(t.baudSet + timeStamp() + kCrLf); });
}

void TForm1::Button4Click() {
    const SystemPageTexts& t = *SystemTexts;
    Send("83");
    Delay(kWait);
    judge(t.noReplyPort, t.damaged, t.addressFailed,
          [&] { addLog(t.address + Copy(ReplyText, 9, 2) + "   " + timeStamp() + kCrLf); });
}

void TForm1::Button11Click() {
    const SystemPageTexts& t = *SystemTexts;
    Send("80" + Edit4->text().toStdString());
    Delay(kWait);
    judge(t.noReplyPort, t.damaged, t.addressSetFailed,
          [&] { addLog(t.addressSet + timeStamp() + kCrLf); });
}

void TForm1::Button14Click() {
    const SystemPageTexts& t = *SystemTexts;
    Send("83");
    Delay(kWait);
    judge(t.noReply, t.damaged, t.serialReadFailed, [&] {
        const std::string reply = ReplyText;
        addLog(t.serialRead + timeStamp());
        addLog(t.serialReadAddress + Copy(reply, 9, 2));
        addLog(t.serialReadNumber + Copy(reply, 11, 16) + kCrLf);
    });
}

void TForm1::Button13Click() {
    const SystemPageTexts& t = *SystemTexts;
    Send("82" + Edit9->text().toStdString());
    Delay(kWait);
    judge(t.noReply, t.damaged, t.serialSetFailed, [&] { addLog(t.serialSet + timeStamp() + kCrLf); });
}

void TForm1::Button20Click() {
    const SystemPageTexts& t = *SystemTexts;
    Send("88" + Edit30->text().toStdString() + Edit31->text().toStdString());
    Delay(kWait);
    judge(t.noReply, t.damaged, t.ledFailed, [&] { addLog(t.led + timeStamp() + kCrLf); });
}

void TForm1::Button23Click() {
    const SystemPageTexts& t = *SystemTexts;
    Send("87" + Edit11->text().toStdString() + Edit12->text().toStdString());
    Delay(kWait);
    judge(t.noReply, t.damaged, t.ledRFailed, [&] { addLog(t.ledR + timeStamp() + kCrLf); });
}

void TForm1::Button21Click() {
    const SystemPageTexts& t = *SystemTexts;
    Send("89" + Edit33->text().toStdString() + Edit34->text().toStdString());
    Delay(kWait);
    judge(t.noReply, t.damaged, t.buzzerFailed, [&] { addLog(t.buzzer + timeStamp() + kCrLf); });
}

// Active and passive reading: sent without a wait or a verdict; the answer stays in
// ReplyText until the next transfer.
void TForm1::Button52Click() { Send("0f01"); }
void TForm1::Button53Click() { Send("0f02"); }

// Keeps the loop interval a non-negative 32-bit integer: anything else puts "100" back,
// which runs this check once more and stays.
void TForm1::Edit22Change() {
    std::int32_t interval = 0;
    if (!console::TryStrToInt32(Edit22->text().toStdString(), interval) || interval < 0)
        Edit22->setText(QStringLiteral("100"));
}
