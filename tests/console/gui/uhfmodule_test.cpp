// The UHF module group of the serial page: the module answers over a pseudo-terminal that
// stands for a COM port; the reader's virtual serial switch goes to the fake USB library.
#include <QLineEdit>
#include <QRadioButton>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "core/hextext.h"
#include "operator.h"
#include "platform/comm.h"
#include "serial/testutil.h"

namespace {

std::string raw(const std::string& hex) {
    std::string d = console::checkdata(hex), out;
    for (std::size_t i = 0; i < d.size(); i += 2) out.push_back(static_cast<char>(console::pairValue(d.substr(i, 2))));
    return out;
}

// A module at the far end of the line: it takes one frame of `expect` bytes, then answers
// with each burst in turn, `gapMs` apart, on its own thread.
class ModulePeer {
public:
    ModulePeer(int fd, std::size_t expect, std::vector<std::string> bursts, int gapMs = 0)
        : thread_([this, fd, expect, bursts = std::move(bursts), gapMs] {
              const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
              char buf[256];
              while (received_.size() < expect && std::chrono::steady_clock::now() < deadline) {
                  pollfd p{fd, POLLIN, 0};
                  if (::poll(&p, 1, 10) <= 0) continue;
                  ssize_t n = ::read(fd, buf, sizeof buf);
                  if (n > 0) received_.append(buf, static_cast<std::size_t>(n));
              }
              for (std::size_t i = 0; i < bursts.size(); ++i) {
                  if (i) std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
                  const std::string bytes = raw(bursts[i]);
                  if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) failed_ = true;
              }
          }) {}
    ~ModulePeer() { join(); }
    // What the module received; waits for the peer to finish.
    std::string received() {
        join();
        return received_;
    }
    bool failed() {
        join();
        return failed_;
    }

private:
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    std::string received_;
    std::atomic<bool> failed_{false};
    std::thread thread_;
};

class UhfModule : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        console::SerialRxText.clear();
        platform::setCommDevicePath(7, pty.slave());
        form->setActivePage(8);
        form->Comm1->setCommName(QStringLiteral("\\\\.\\COM7"));
        // A burst ends after 10 ms of silence instead of 100, so that a loaded machine still
        // delivers the answer well inside the command's 300 ms.
        form->Comm1->setReadIntervalTimeout(10);
        ASSERT_NO_THROW(form->Comm1->OpenPort());
    }
    void TearDown() override {
        form->Comm1->ClosePort();
        platform::restoreCommDevicePaths();
        Operator::TearDown();
    }
    // WriteData refuses only a closed port (or no bytes): queue one byte and take it back.
    bool queueOne() {
        bool open = form->Comm1->WriteData("\x00", 1);
        if (open) pty.read(1, 2000);
        return open;
    }
    // The receive entry the log shows for a burst.
    static QStringList received(const char* hex) { return {"232RX Data..", hex}; }

    testutil::Pty pty;
};

TEST_F(UhfModule, WorkModeAnswers) {
    struct Row {
        const char* radio;
        const char* frame;
        const char* answer;
        QStringList verdict;
    } rows[] = {
        {"RadioButton40", "BB00C1000100C27E", "BB01C1000100C37E", {QString("Set Passive reader mode Success   ") + Operator::kTime}},
        {"RadioButton39", "BB00C1000101C37E", "BB01C1000101C47E",
         {QString("Set Active search for EPC number of single card Success   ") + Operator::kTime}},
        {"RadioButton41", "BB00C1000102C47E", "BB01C1000102C57E",
         {QString("Set Active search for EPC number of multiple cards Success   ") + Operator::kTime}},
        {"RadioButton42", "BB00C1000103C57E", "BB01C1000103C67E", {QString("Set Active read TID number Success   ") + Operator::kTime}},
        {"RadioButton39", "BB00C1000101C37E", "BB01C1000103C67E", {QString("Set  Success   ") + Operator::kTime}},
        {"RadioButton41", "BB00C1000102C47E", "BB01C1000105C87E", {QString("Set  Success   ") + Operator::kTime}},
        {"RadioButton41", "BB00C1000102C47E", "BB01C1000107CA7E", {QString("Set  Success   ") + Operator::kTime}},
        {"RadioButton39", "BB00C1000101C37E", "BB01C1000110D37E",
         {QString("Set Active search for EPC number of single cardfalse   ") + Operator::kTime,
          "输入的参数大于最大允许范围，溢出.....", ""}},
        {"RadioButton40", "BB00C1000100C27E", "BB01C1000108CB7E", {QString("Set Passive reader modefalse   ") + Operator::kTime, "", ""}},
        {"RadioButton40", "BB00C1000100C27E", "BB01C100010ACD7E", {QString("data error,please check data..   ") + Operator::kTime, ""}},
        {"RadioButton40", "BB00C1000100C27E", "BB01C1", {QString("data error,please check data..   ") + Operator::kTime, ""}},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        control<QRadioButton>(r.radio)->setChecked(true);
        ModulePeer peer(pty.master(), 8, {r.answer});
        click("Button75");
        EXPECT_EQ(peer.received(), raw(r.frame)) << r.radio << " " << r.answer;
        EXPECT_EQ(lines(), (received(r.answer) + r.verdict)) << r.radio << " " << r.answer;
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UhfModule, MemorySectorFrameIsLoggedAndSent) {
    control<QRadioButton>("RadioButton43")->setChecked(true);
    ModulePeer peer(pty.master(), 14, {"BB01C9000103CE7E"});
    click("Button75");
    EXPECT_EQ(peer.received(), raw("BB 00 C9 00 07 03 5D 19 E4 70 00 08 A5 7E"));
    EXPECT_EQ(lines(), (QStringList{"BB 00 C9 00 07 035D 19 E4 700008A57E"} + received("BB01C9000103CE7E") +
                           QStringList{QString("Set Active read memory sector Success   ") + kTime}));

    // Error code with the memory sector mode: no name.
    form->RichEdit1->clearAll();
    ModulePeer failing(pty.master(), 14, {"BB01C9000110DB7E"});
    click("Button75");
    failing.received();
    EXPECT_EQ(lines().mid(3), (QStringList{QString("Set false   ") + kTime, "输入的参数大于最大允许范围，溢出.....", ""}));

    // Fields that do not hold their whole bytes: refused, nothing on the line.
    form->RichEdit1->clearAll();
    control<QLineEdit>("Edit70")->setText("5D 19 E4 7");
    click("Button75");
    testutil::processEventsFor(50);
    EXPECT_EQ(pty.readAvailable(), "");
    EXPECT_EQ(lines(), (QStringList{QString("Not sent: sector, address and length take 2 hex digits, password 8   ") + kTime, ""}));
}

TEST_F(UhfModule, OnlyAnAnswerAfterTheSendIsJudged) {
    control<QRadioButton>("RadioButton40")->setChecked(true);
    {
        ModulePeer peer(pty.master(), 8, {"BB01C1000100C37E"});
        click("Button75");
    }
    // The module stays silent now: the earlier answer is not judged again.
    form->RichEdit1->clearAll();
    ModulePeer silent(pty.master(), 8, {});
    click("Button75");
    EXPECT_EQ(silent.received(), raw("BB00C1000100C27E"));
    EXPECT_EQ(lines(), (QStringList{QString("Data error,no data recevice..   ") + kTime, ""}));
    form->RichEdit1->clearAll();
    click("Button76");
    EXPECT_EQ(lines(), (QStringList{QString("Data error,no data recevice..   ") + kTime, ""}));
}

TEST_F(UhfModule, AnswerInTwoBurstsIsJudgedOnTheSecond) {
    control<QRadioButton>("RadioButton40")->setChecked(true);
    ModulePeer peer(pty.master(), 8, {"BB01C10001", "BB01C1000102C57E"}, 100);
    click("Button75");
    EXPECT_EQ(lines(), (received("BB01C10001") + received("BB01C1000102C57E") +
                           QStringList{QString("Set Active search for EPC number of multiple cards Success   ") + kTime}));
}

TEST_F(UhfModule, UsbHidSwitch) {
    {
        ModulePeer peer(pty.master(), 8, {"BB01C2000101C57E"});
        click("Button76");
        EXPECT_EQ(peer.received(), raw("BB 00 C2 00 01 00 C3 7E"));
    }
    {
        ModulePeer peer(pty.master(), 8, {"BB01C2000102C67E"});
        click("Button76");
    }
    EXPECT_EQ(lines(), (received("BB01C2000101C57E") +
                           QStringList{QString("USB_HID setting false   ") + kTime, "", ""} +
                           received("BB01C2000102C67E") +
                           QStringList{QString("data error,please check data..   ") + kTime, ""}));
    EXPECT_TRUE(queueOne()) << "the port stays open";

    // Success: the module now speaks USB HID, so the port is closed.
    form->RichEdit1->clearAll();
    {
        ModulePeer peer(pty.master(), 8, {"BB01C2000100C47E"});
        click("Button76");
    }
    EXPECT_EQ(lines(), (received("BB01C2000100C47E") + QStringList{QString("USB_HID setting success   ") + kTime, ""}));
    EXPECT_FALSE(form->Comm1->WriteData("\x00", 1)) << "port closed";
    EXPECT_TRUE(form->Button1->isEnabled()) << "closed as Button2 closes it";
    EXPECT_FALSE(form->Button2->isEnabled());

    // Port closed: nothing goes out, nothing comes back.
    form->RichEdit1->clearAll();
    click("Button75");
    EXPECT_EQ(lines(), (QStringList{QString("Data error,no data recevice..   ") + kTime, ""}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UhfModule, VirtualSerialSwitchOverUsb) {
    control<QComboBox>("setadd")->setCurrentIndex(10);
    fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
    click("Button71");
    fake.queueReply(FakeUsb::makeReply(0x00, 0x01, {0x85}));
    click("Button71");
    fake.queueReply(FakeUsb::makeReply(0x00, 0x03, {}));
    click("Button71");
    fake.queueEmptyRead();
    click("Button71");
    for (const Bytes& f : fake.frames()) EXPECT_EQ(f, (Bytes{0xAA, 0x00, 0x01, 0xB8, 0xB9, 0xBB}));
    EXPECT_EQ(fake.frameCount(), 4);
    EXPECT_EQ(lines(), (QStringList{QString("USB mode switch setting  Success    ") + kTime, "",
                                    QString("USB mode switch setting false     ") + kTime, "输入参数或者输入命令格式错误....", "",
                                    QString("data error,please check data..   ") + kTime, "",
                                    QString("Data error,no data recevice..   ") + kTime, ""}));
}

}  // namespace
