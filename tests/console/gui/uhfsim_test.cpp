// The UHF write page against the simulated reader: an automatic issue of a batch of tags,
// each tag read back afterwards.
#include <QCheckBox>
#include <QTimer>

#include "core/uhf.h"
#include "operator.h"
#include "platform/library.h"
#include "usb/sim/sim_reader.h"

namespace {

class UhfSimulatedReader : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
        auto lib = platform::loadLibrary("usb.dll");
        ASSERT_NE(lib.handle, nullptr) << lib.error;
        auto fn = platform::findFunction(lib.handle, "simUsbReader");
        ASSERT_NE(fn.address, nullptr) << fn.error;
        reader = reinterpret_cast<usb::sim::SimReader* (*)()>(fn.address)();
        reader->state() = usb::sim::ReaderState{};  // a fresh world: one blank tag, more behind it
        form->setActivePage(7);
    }
    void TearDown() override {
        platform::setLibraryFolder("");
        Operator::TearDown();
    }
    usb::sim::SimReader* reader = nullptr;
};

TEST_F(UhfSimulatedReader, AutomaticIssueOfFiveTags) {
    auto* box = control<QCheckBox>("CheckBox20");
    QTimer stopAfterFive;
    QObject::connect(&stopAfterFive, &QTimer::timeout, [&] {
        if (reader->state().uhf.issued.size() >= 5) box->setChecked(false);
    });
    stopAfterFive.start(5);
    clickLoopBox(box);
    stopAfterFive.stop();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(box->text(), "Automatic card");

    const auto issued = reader->state().uhf.issued;
    ASSERT_EQ(issued.size(), 5u);
    QStringList expected;
    for (int i = 1; i <= 5; ++i) {
        const QString number = QStringLiteral("%1").arg(i, 24, 10, QChar('0'));
        expected << "Write Card Success,The card number is : " + number << "写卡成功,卡号" + number;
    }
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(control<QLineEdit>("Edit54")->text(), "000000000000000000000006");

    // Each tag back in the field: it reports its new EPC with a valid CRC word.
    for (std::size_t i = 0; i < issued.size(); ++i) {
        form->RichEdit1->clearAll();
        reader->state().uhf.field.push_front(issued[i]);
        click("Button65");
        const QString number = QStringLiteral("%1").arg(i + 1, 24, 10, QChar('0'));
        EXPECT_EQ(lines(), QStringList{"the epc is: " + number});
        const console::uhf::InventoryTag tag = console::uhf::readInventory(console::ReplyText);
        ASSERT_TRUE(tag.found);
        EXPECT_EQ(tag.pc, "3000");
        std::vector<std::uint8_t> pcAndEpc;
        const std::string covered = tag.pc + tag.epc;
        for (std::size_t k = 0; k < covered.size(); k += 2)
            pcAndEpc.push_back(static_cast<std::uint8_t>(std::stoi(covered.substr(k, 2), nullptr, 16)));
        char crc[5];
        std::snprintf(crc, sizeof crc, "%04X", usb::sim::epcCrc(pcAndEpc));
        EXPECT_EQ(tag.crc, crc) << number.toStdString();
        reader->state().uhf.field.pop_front();
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UhfSimulatedReader, ReadModeSwitchAndWrongPassword) {
    click("Button69");
    click("Button67");
    control<QLineEdit>("Edit63")->setText("00 00 00 00");
    click("Button66");
    EXPECT_EQ(lines(), (QStringList{QString("Set  Active search for EPC number of single card Success    ") + kTime,
                                    "the epc is: E2005128930D011400000001"}));
    EXPECT_TRUE(reader->state().uhf.issued.empty()) << "the module refused the write";

    reader->state().uhf.field.clear();
    click("Button65");
    EXPECT_EQ(lines().mid(2), (QStringList{QString("The card is not exist..!   ") + kTime, ""}));
}

// A written tag stays in the field until the operator takes it away: "Read" right after a
// write shows the new number and reads the tag, a second "Write" finds the number written
// last and leaves the tag alone, and only then does the next blank tag come in.
TEST_F(UhfSimulatedReader, WrittenTagStaysForOneMoreLook) {
    const QString first = "000000000000000000000001", second = "000000000000000000000002";
    click("Button66");
    click("Button67");
    EXPECT_EQ(lines(), (QStringList{"Write Card Success,The card number is : " + first, "写卡成功,卡号" + first,
                                    "the epc is: " + first}));
    EXPECT_EQ(console::ReplyText.substr(12, 2), "39") << "the module read the tag: " << console::ReplyText;

    form->RichEdit1->clearAll();
    click("Button66");
    click("Button66");
    EXPECT_EQ(lines(), (QStringList{"Write Card Success,The card number is : " + second, "写卡成功,卡号" + second}))
        << "the second press finds the tag just written and leaves it alone";
    click("Button65");
    EXPECT_EQ(lines().mid(2), QStringList{"the epc is: E2005128930D011400000003"}) << "the next blank tag";
    EXPECT_EQ(reader->state().uhf.issued.size(), 2u);
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
