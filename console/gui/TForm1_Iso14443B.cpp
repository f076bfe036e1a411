// The ISO14443B page: card request (09), ATTRIB (0B), reset (0C), the transparent send of
// data bytes to the card (0D, its own frame and error texts) and the two reads of the
// resident identity card (26, 27).
#include <QLineEdit>

#include "TForm1.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/transparent.h"
#include "core/verdict.h"

using console::Copy;
using console::kCrLf;
using console::ReplyText;
using console::timeStamp;

const TForm1::Iso14443BPageTexts TForm1::kIso14443BTexts = {
    console::texts::kNoReplyChinese,
    console::texts::kDamagedChinese,
    "操作成功   ",
    "操作失败   ",
    "操作成功、复位成功   ",
    "读卡号操作失败   ",
    "卡片复位数据的长度为:",
    "返回操作后的数据为:",
    "卡的序列号为：",
    "返回卡号为:",
    "操作后的数据串为：",
    "无数据接收..",
    "发送数据超过248个字节，没有发送   ",
    "发送数据的十六进制位数为奇数，没有发送   ",
};

namespace {

const int kWait = 500;
const int kResidentCardWait = 1000;
const int kTransparentWait = 600;

// The L - `less` characters of the reply from `first` on (L its length): the card's answer
// without the reply's check byte and end byte. Empty when the reply is too short for any.
std::string replyPart(const std::string& reply, std::size_t first, std::size_t less) {
    if (reply.size() <= less) return {};
    return Copy(reply, first, reply.size() - less);
}

}  // namespace

void TForm1::Button31Click() {
    const Iso14443BPageTexts& t = *Iso14443BTexts;
    Send("09");
    Delay(kWait);
    judge(t.noReply, t.damaged, t.failed, [&] {
        const std::string reply = ReplyText;
        addLog(t.done + timeStamp() + kCrLf);
        addLog(t.answerLength + Copy(reply, 9, 2));
        addLog(t.answerData + replyPart(reply, 11, 14) + kCrLf);
    });
}

// Anticollision is the card request again.
void TForm1::Button32Click() { Button31Click(); }

void TForm1::Button33Click() {
    const Iso14443BPageTexts& t = *Iso14443BTexts;
    Send("0B" + Edit76->text().toStdString());
    Delay(kWait);
    judge(t.noReply, t.damaged, t.failed, [&] { addLog(t.attributed + timeStamp() + kCrLf); });
}

// The card's identifier goes into the ATTRIB field, so that ATTRIB addresses this card.
void TForm1::Button34Click() {
    const Iso14443BPageTexts& t = *Iso14443BTexts;
    Send("0C");
    Delay(kWait);
    judge(t.noReply, t.damaged, t.failed, [&] {
        const std::string pupi = Copy(ReplyText, 9, 8);
        addLog(t.done + timeStamp() + kCrLf);
        addLog(t.serialNumber + pupi + kCrLf);
        Edit76->setText(QString::fromStdString(pupi));
    });
}

void TForm1::Button36Click() {
    const Iso14443BPageTexts& t = *Iso14443BTexts;
    const console::TransparentFrame frame =
        console::transparentFrame(setadd->currentText().toStdString(), Edit77->text().toStdString());
    switch (frame.refusal) {
    case console::TransparentFrame::Refusal::TooLong:
        addLog(t.tooLong + timeStamp() + kCrLf);
        return;
    case console::TransparentFrame::Refusal::OddDigits:
        addLog(t.oddDigits + timeStamp() + kCrLf);
        return;
    case console::TransparentFrame::Refusal::None:
        break;
    }
    ReplyText.clear();
    SendHex(frame.text);
    Delay(kTransparentWait);
    const std::string reply = ReplyText;
    if (console::replyStatus(reply) == "00") {
        addLog(t.done + timeStamp());
        addLog(t.passedData + replyPart(reply, 9, 12) + kCrLf);
        return;
    }
    // Every other status, "01" or not, is a failure with the transparent send's own message.
    addLog(t.failed + timeStamp());
    if (reply.empty()) {
        addLog(t.noData + std::string(kCrLf));
        return;
    }
    const std::string message = console::transparentErrorText(console::replyErrorCode(reply));
    if (!message.empty()) addLog(message + kCrLf);
}

void TForm1::readResidentCard(const char* command) {
    const Iso14443BPageTexts& t = *Iso14443BTexts;
    Send(command);
    Delay(kResidentCardWait);
    judge(t.noReply, t.damaged, t.readFailed, [&] {
        // The first data byte is the number's length; the number follows.
        const std::string number = Copy(ReplyText, 11, 16);
        addLog(t.done + timeStamp());
        addLog(t.cardNumber + number + kCrLf);
    });
}

void TForm1::Button19Click() { readResidentCard("26"); }
void TForm1::Button22Click() { readResidentCard("27"); }
