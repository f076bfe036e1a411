// The ISO15693 page: vicinity tags. Each button sends one command (10 to 1C) built from its
// row: the code, the flags of the row's tag-maker list, then the row's fields exactly as
// typed. A row's UID field goes in only with the flags "22" (the address flag), except for
// the two rows that never or always carry it.
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <cstring>

#include "TForm1.h"
#include "core/hextext.h"
#include "core/transfer.h"
#include "core/verdict.h"

using console::Copy;
using console::kCrLf;
using console::timeStamp;

// The page's log texts; a build with other texts supplies another instance.
struct Iso15693PageTexts {
    const char* noReply;
    const char* damaged;
    const char* done;    // success of the inventory, read, block security, system information
    const char* failed;  // failure of the inventory and system information
    const char* readFailed;
    const char* writeDone;
    const char* writeFailed;
    const char* lockDone;
    const char* lockFailed;
    const char* selectDone;
    const char* selectFailed;
    const char* writeAfiDone;
    const char* writeAfiFailed;
    const char* lockAfiDone;
    const char* lockAfiFailed;
    const char* writeDsfidDone;
    const char* writeDsfidFailed;
    const char* lockDsfidDone;
    const char* lockDsfidFailed;
    const char* securityFailed;
    const char* flags;
    const char* readData;
    const char* securityData;
    const char* tagCount;
    const char* tagRecords;
    const char* uidBefore;  // "第" i "张卡卡号为：" UID
    const char* uidAfter;
    const char* uidError;
    const char* infoFlags;
    const char* infoInfoFlags;
    const char* infoUid;
    const char* infoDsfid;
    const char* infoAfi;
    const char* infoOther;
};

namespace {

const Iso15693PageTexts kTexts = {
    console::texts::kNoReplyChinese,
    console::texts::kDamagedChinese,
    "操作成功   ",
    "操作失败   ",
    "读卡失败   ",
    "写卡操作成功   ",
    "写卡失败   ",
    "锁操作成功   ",
    "锁操作失败   ",
    "选择卡操作成功   ",
    "选择卡操作失败   ",
    "写AFI操作成功   ",
    "写AFI操作失败   ",
    "锁定AFI操作成功   ",
    "锁定AFI操作失败   ",
    "写DSFID操作成功   ",
    "写DSFID操作失败   ",
    "锁定DSFID操作成功   ",
    "锁定DSFID操作失败   ",
    "读卡块安全位失败   ",
    "标志位为：",
    "读卡返回数据为：",
    "块安全位状态为：",
    "域内的卡片数量为：",
    "域内的卡片数据为：",
    "第",
    "张卡卡号为：",
    "卡号长度非法，无法算出准确的卡号！..",
    "  Flags值为： ",
    "  INFO Flags值为： ",
    "  卡UID值为： ",
    "  DSFID值为： ",
    "  AFI值为： ",
    "  Other fields值为： ",
};
const Iso15693PageTexts& texts() { return kTexts; }

// The flags byte of each tag-maker item.
struct FlagsItem {
    const char* item;
    const char* flags;
};
constexpr FlagsItem kFlags[] = {
    {"TI", "42"},
    {"Philips", "02"},
    {"uid", "22"},  // the address flag: the command carries the row's UID
    {"Other", "52"},
};
constexpr const char* kAddressed = "22";

enum class Listing {
    Inventory,    // count, records and the reversed UIDs
    Data,         // flags and the data after them
    Done,         // the verdict and an empty line
    Information,  // system information fields at fixed positions
};

using Text = const char* Iso15693PageTexts::*;

// One button of the page. After the code come the flags (or the fixed bytes of a command
// without flags), then the row's fields in order; `addressed` is their order with the flags
// "22".
struct Iso15693Command {
    const char* button;
    const char* code;
    const char* flagsList;  // none for the inventory
    const char* fixed;      // sent in place of the flags
    const char* plain[4];
    const char* addressed[4];
    int wait;
    Listing listing;
    Text success;
    Text failure;
    Text dataLabel;  // for Listing::Data
};

const Iso15693Command kCommands[] = {
    {"Button37", "10", nullptr, "060000", {}, {}, 1000, Listing::Inventory, &Iso15693PageTexts::done,
     &Iso15693PageTexts::failed, nullptr},
    {"Button38", "11", "ComboBox10", "", {"Edit14", "Edit13"}, {"Edit14", "Edit13", "Edit55"}, 500, Listing::Data,
     &Iso15693PageTexts::done, &Iso15693PageTexts::readFailed, &Iso15693PageTexts::readData},
    {"Button39", "12", "ComboBox11", "", {"Edit48", "Edit49", "Edit16"}, {"Edit48", "Edit49", "Edit50", "Edit16"}, 500,
     Listing::Done, &Iso15693PageTexts::writeDone, &Iso15693PageTexts::writeFailed, nullptr},
    // Lock block never carries a UID; select always does.
    {"Button40", "13", "ComboBox12", "", {"Edit18"}, {"Edit18"}, 500, Listing::Done, &Iso15693PageTexts::lockDone,
     &Iso15693PageTexts::lockFailed, nullptr},
    {"Button42", "15", "ComboBox13", "", {"Edit19"}, {"Edit19"}, 500, Listing::Done, &Iso15693PageTexts::selectDone,
     &Iso15693PageTexts::selectFailed, nullptr},
    {"Button44", "17", "ComboBox14", "", {"Edit15"}, {"Edit15", "Edit28"}, 500, Listing::Done,
     &Iso15693PageTexts::writeAfiDone, &Iso15693PageTexts::writeAfiFailed, nullptr},
    {"Button45", "18", "ComboBox15", "", {}, {"Edit32"}, 500, Listing::Done, &Iso15693PageTexts::lockAfiDone,
     &Iso15693PageTexts::lockAfiFailed, nullptr},
    {"Button46", "19", "ComboBox16", "", {"Edit17"}, {"Edit17", "Edit36"}, 500, Listing::Done,
     &Iso15693PageTexts::writeDsfidDone, &Iso15693PageTexts::writeDsfidFailed, nullptr},
    {"Button47", "1A", "ComboBox17", "", {}, {"Edit38"}, 500, Listing::Done, &Iso15693PageTexts::lockDsfidDone,
     &Iso15693PageTexts::lockDsfidFailed, nullptr},
    {"Button48", "1B", "ComboBox18", "", {}, {"Edit41"}, 500, Listing::Information, &Iso15693PageTexts::done,
     &Iso15693PageTexts::failed, nullptr},
    {"Button49", "1C", "ComboBox19", "", {"Edit21", "Edit20"}, {"Edit21", "Edit20", "Edit43"}, 500, Listing::Data,
     &Iso15693PageTexts::done, &Iso15693PageTexts::securityFailed, &Iso15693PageTexts::securityData},
};

const Iso15693Command& commandOf(const char* button) {
    return *std::find_if(std::begin(kCommands), std::end(kCommands),
                         [&](const Iso15693Command& c) { return std::strcmp(c.button, button) == 0; });
}

std::string flagsOf(const QString& item) {
    for (const FlagsItem& f : kFlags)
        if (item == QLatin1String(f.item)) return f.flags;
    return {};
}

// Characters `first` through the fifth-last of the reply; empty when the reply ends before.
std::string upToCheckByte(const std::string& reply, std::size_t first) {
    if (reply.size() < first + 4) return {};
    return Copy(reply, first, reply.size() - 4 - first + 1);
}

}  // namespace

void TForm1::resolveIso15693Controls() {
    for (const Iso15693Command& c : kCommands) {
        resolve<QAbstractButton>(c.button);
        if (c.flagsList) resolve<QComboBox>(c.flagsList);
        for (const auto* fields : {&c.plain, &c.addressed})
            for (const char* field : *fields)
                if (field) resolve<QLineEdit>(field);
    }
}

void TForm1::runIso15693Command(const char* buttonName) {
    const Iso15693Command& c = commandOf(buttonName);
    const Iso15693PageTexts& t = texts();
    std::string command = c.code;
    bool addressed = false;
    if (c.flagsList) {
        const std::string flags = flagsOf(named<QComboBox>(c.flagsList)->currentText());
        command += flags;
        addressed = flags == kAddressed;
    }
    command += c.fixed;
    for (const char* field : addressed ? c.addressed : c.plain) {
        if (!field) break;
        command += named<QLineEdit>(field)->text().toStdString();
    }
    Send(command);
    Delay(c.wait);

    judge(t.noReply, t.damaged, t.*c.failure, [&] {
        const std::string reply = console::ReplyText;
        const std::string data = upToCheckByte(reply, 11);
        switch (c.listing) {
        case Listing::Inventory: {
            addLog(t.*c.success + timeStamp());
            addLog(t.tagCount + Copy(reply, 9, 2));
            addLog(t.tagRecords + data);
            // One 20-digit record a tag after the count byte; a partial record gives no line.
            const std::size_t tags = reply.size() >= 14 ? (reply.size() - 14) / 20 : 0;
            try {
                for (std::size_t i = 1; i <= tags; ++i)
                    addLog(t.uidBefore + std::to_string(i) + t.uidAfter +
                           console::cdate(Copy(reply, 15 + 20 * (i - 1), 16)));
            } catch (const std::exception&) {
                addLog(t.uidError);
            }
            addLog("\r");
            break;
        }
        case Listing::Data:
            addLog(t.*c.success + timeStamp());
            addLog(t.flags + Copy(reply, 9, 2));
            addLog(t.*c.dataLabel + data + kCrLf);
            break;
        case Listing::Done:
            addLog(t.*c.success + timeStamp());
            addLog("\r");
            break;
        case Listing::Information:
            addLog(t.*c.success + timeStamp());
            addLog(t.infoFlags + Copy(reply, 9, 2));
            addLog(t.infoInfoFlags + Copy(reply, 11, 2));
            addLog(t.infoUid + Copy(reply, 13, 16));
            addLog(t.infoDsfid + Copy(reply, 29, 2));
            addLog(t.infoAfi + Copy(reply, 31, 2));
            addLog(t.infoOther + upToCheckByte(reply, 33) + kCrLf);
            break;
        }
    });
}

void TForm1::Button37Click() { runIso15693Command("Button37"); }
void TForm1::Button38Click() { runIso15693Command("Button38"); }
void TForm1::Button39Click() { runIso15693Command("Button39"); }
void TForm1::Button40Click() { runIso15693Command("Button40"); }
void TForm1::Button42Click() { runIso15693Command("Button42"); }
void TForm1::Button44Click() { runIso15693Command("Button44"); }
void TForm1::Button45Click() { runIso15693Command("Button45"); }
void TForm1::Button46Click() { runIso15693Command("Button46"); }
void TForm1::Button47Click() { runIso15693Command("Button47"); }
void TForm1::Button48Click() { runIso15693Command("Button48"); }
void TForm1::Button49Click() { runIso15693Command("Button49"); }
