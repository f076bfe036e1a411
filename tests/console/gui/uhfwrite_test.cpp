// The UHF write page, clicked through against the fake USB library: the module's answers
// travel inside the reader's pass-through replies.
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>

#include "core/hextext.h"
#include "core/uhf.h"
#include "gui/TForm3.h"
#include "operator.h"
#include "usb/moduleframe.h"

namespace {

Bytes moduleFrame(std::uint8_t type, std::uint8_t command, const Bytes& params) {
    return usb::buildModuleFrame(type, command, params);
}
// The reader's reply carrying a module frame.
Bytes carried(const Bytes& module) { return FakeUsb::makeReply(0x00, 0x00, module); }

const Bytes kTagEpc{0xE2, 0x00, 0x51, 0x28, 0x93, 0x0D, 0x01, 0x14, 0x17, 0x40, 0x11, 0x22};
const char* const kTagEpcText = "E2005128930D011417401122";

// The inventory notification: RSSI, PC, EPC, CRC word 1A 2B; `length` overrides the
// parameter length byte.
Bytes tagFound(const Bytes& epc = kTagEpc, int length = -1) {
    Bytes p{0xC8, static_cast<std::uint8_t>(epc.size() * 4), 0x00};
    p.insert(p.end(), epc.begin(), epc.end());
    p.insert(p.end(), {0x1A, 0x2B});
    Bytes f = moduleFrame(0x02, 0x22, p);
    if (length >= 0) f[4] = static_cast<std::uint8_t>(length);
    return carried(f);
}
Bytes noTag() { return carried({0xBB, 0x01, 0xFF, 0x00, 0x01, 0x15, 0x16, 0x7E}); }
Bytes selected() { return carried(moduleFrame(0x01, 0x0C, {0x00})); }
Bytes written() { return carried(moduleFrame(0x01, 0x49, {0x0E, 0x30, 0x00, 0x00})); }
Bytes moduleError() { return carried(moduleFrame(0x01, 0xFF, {0x16})); }

Bytes hexBytes(const std::string& text) {
    std::string d = console::checkdata(text);
    Bytes out;
    for (std::size_t i = 0; i < d.size(); i += 2) out.push_back(static_cast<std::uint8_t>(console::pairValue(d.substr(i, 2))));
    return out;
}
// What the reader receives for a module frame.
Bytes passThrough(const std::string& module) { return hexBytes(console::uhfFrame("00", module)); }

class UhfWrite : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        form->setActivePage(7);
    }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    void queue(std::initializer_list<Bytes> replies) {
        for (const Bytes& r : replies) fake.queueReply(r);
    }
};

TEST_F(UhfWrite, FirstWriteCountsOnAndTheSameTagIsLeftAlone) {
    queue({tagFound(), selected(), written()});
    click("Button66");
    auto frames = fake.frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], (Bytes{0x02, 0x00, 0x08, 0xCE, 0xBB, 0x00, 0x22, 0x00, 0x00, 0x22, 0x7E, 0x03, 0x03}));
    EXPECT_EQ(frames[1], passThrough(console::uhf::selectFrame(kTagEpcText, 12)));
    EXPECT_EQ(frames[2], passThrough(console::uhf::writeEpcFrame("5D19E470", "1A2B", "000000000000000000000001", 12)));
    // Length 19, password, bank 01, word 0, 8 words, the CRC word unchanged, PC 30 00.
    EXPECT_EQ(Bytes(frames[2].begin() + 8, frames[2].begin() + 23),
              (Bytes{0x19, 0x5D, 0x19, 0xE4, 0x70, 0x01, 0x00, 0x00, 0x00, 0x08, 0x1A, 0x2B, 0x30, 0x00, 0x00}));
    EXPECT_EQ(lines(), (QStringList{"Write Card Success,The card number is : 000000000000000000000001",
                                    "写卡成功,卡号000000000000000000000001"}));
    EXPECT_EQ(edit("epcbuf")->text(), "000000000000000000000001");
    EXPECT_EQ(edit("Edit54")->text(), "000000000000000000000002");
    EXPECT_EQ(edit("Edit60")->text(), kTagEpcText);

    // The tag still in the field now carries the number written last.
    form->RichEdit1->clearAll();
    queue({tagFound(hexBytes("000000000000000000000001"))});
    click("Button66");
    EXPECT_EQ(fake.frameCount(), 4);
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_EQ(edit("Edit54")->text(), "000000000000000000000002");
}

TEST_F(UhfWrite, VerdictsOfTheWriteSequence) {
    // The inventory answer's module frame: BB 02 22, length, RSSI, PC, EPC ...
    const Bytes cutRecord = moduleFrame(0x02, 0x22, {0xC8, 0x30, 0x00, 0xE2, 0x00, 0x51, 0x28, 0x93, 0x0D, 0x01, 0x14,
                                                    0x17, 0x40, 0x11, 0x22, 0x1A, 0x2B});
    struct Row {
        const char* name;
        std::vector<Bytes> replies;  // an empty entry is a read that delivers nothing
        int frames;
        QStringList lines;
    } rows[] = {
        {"no tag", {noTag()}, 1, {QString("The card is not exist..!   ") + kTime}},
        {"no reply", {{}}, 1, {QString("error,no data  receive..   ") + kTime, ""}},
        {"module refuses the write", {tagFound(), selected(), moduleError()}, 3, {}},
        {"no answer to the write", {tagFound(), selected(), {}}, 3, {QString("error,no data  receive..   ") + kTime, ""}},
        {"other answer to the write", {tagFound(), selected(), carried(moduleFrame(0x01, 0x39, {0x00}))}, 3,
         {QString("check sum error.....   ") + kTime, ""}},
        {"answer too short to read", {carried({0xBB, 0x02, 0x22, 0x00})}, 1, {}},
        // A tag answered, but with no usable EPC: a damaged answer, not an empty field.
        {"no room for an EPC", {tagFound(kTagEpc, 4)}, 1, {QString("check sum error.....   ") + kTime, ""}},
        {"EPC longer than the answer", {tagFound(kTagEpc, 0x30)}, 1, {QString("check sum error.....   ") + kTime, ""}},
        {"answer cut inside its record", {carried(Bytes(cutRecord.begin(), cutRecord.begin() + 14))}, 1,
         {QString("check sum error.....   ") + kTime, ""}},
        {"EPC of 32 bytes, more than a select masks", {tagFound(Bytes(32, 0x11))}, 1,
         {QString("check sum error.....   ") + kTime, ""}},
        {"EPC of 31 bytes", {tagFound(Bytes(31, 0x11)), selected(), moduleError()}, 3, {}},
    };
    for (const Row& r : rows) {
        fake.reset();
        form->RichEdit1->clearAll();
        for (const Bytes& b : r.replies) b.empty() ? fake.queueEmptyRead() : fake.queueReply(b);
        click("Button66");
        EXPECT_EQ(fake.frameCount(), r.frames) << r.name;
        EXPECT_EQ(lines(), r.lines) << r.name;
        EXPECT_EQ(edit("epcbuf")->text(), "epcbuf") << r.name;
        EXPECT_EQ(edit("Edit54")->text(), "000000000000000000000001") << r.name;
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UhfWrite, NumberAsTypedAndCountedOn) {
    struct Row {
        const char* typed;
        const char* step;
        bool reverse;
        const char* writtenAs;  // Edit54 after the filter, as written and logged
        const char* next;
        std::uint8_t pc, words;
    } rows[] = {
        {"00 00 00 01", "1", false, "00000001", "00000002", 0x10, 0x04},
        {"0000000000000000000000fe", "1", false, "0000000000000000000000fe", "0000000000000000000000FF", 0x30, 0x08},
        {"FF0000000000000000000000", "1", true, "FF0000000000000000000000", "000100000000000000000000", 0x30, 0x08},
        {"0000000000000000", "10", false, "0000000000000000", "0000000000000010", 0x20, 0x06},
        {"FFFFFFFFFFFFFFFFFFFFFFFF", "1", false, "FFFFFFFFFFFFFFFFFFFFFFFF", "01000000000000000000000000", 0x30, 0x08},
    };
    for (const Row& r : rows) {
        fake.reset();
        form->RichEdit1->clearAll();
        edit("epcbuf")->setText("epcbuf");
        edit("Edit54")->setText(r.typed);
        edit("Edit62")->setText(r.step);
        control<QRadioButton>(r.reverse ? "reverse" : "Forward")->setChecked(true);
        queue({tagFound(), selected(), written()});
        click("Button66");
        auto frames = fake.frames();
        ASSERT_EQ(frames.size(), 3u) << r.typed;
        const std::size_t m = std::string(r.writtenAs).size() / 2;
        EXPECT_EQ(frames[2][8], m + 13) << r.typed;
        EXPECT_EQ(frames[2][17], r.words) << r.typed;
        EXPECT_EQ(frames[2][20], r.pc) << r.typed;
        EXPECT_EQ(Bytes(frames[2].begin() + 22, frames[2].begin() + 22 + m), hexBytes(r.writtenAs)) << r.typed;
        EXPECT_EQ(lines().value(1), QString("写卡成功,卡号") + r.writtenAs) << r.typed;
        EXPECT_EQ(edit("epcbuf")->text(), r.writtenAs) << r.typed;
        EXPECT_EQ(edit("Edit54")->text(), r.next) << r.typed;
    }
}

TEST_F(UhfWrite, LowerCaseNumberIsWrittenAgainNextPass) {
    edit("Edit54")->setText("00000000000000000000000a");
    queue({tagFound(), selected(), written()});
    click("Button66");
    // The tag reports what was written in upper case: not the text of epcbuf.
    queue({tagFound(hexBytes("00000000000000000000000A")), selected(), written()});
    click("Button66");
    auto frames = fake.frames();
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames[5].at(33), 0x0B);
    EXPECT_EQ(lines(), (QStringList{"Write Card Success,The card number is : 00000000000000000000000a",
                                    "写卡成功,卡号00000000000000000000000a",
                                    "Write Card Success,The card number is : 00000000000000000000000B",
                                    "写卡成功,卡号00000000000000000000000B"}));
}

TEST_F(UhfWrite, FieldsRefusedBeforeAnythingIsSent) {
    struct Row {
        const char* field;
        const char* text;
        const char* line;
    } rows[] = {
        {"Edit54", "00000000000000000000001", "EPC number not written: it must be 1 to 31 whole words of four hex digits   "},
        {"Edit54", "000000", "EPC number not written: it must be 1 to 31 whole words of four hex digits   "},
        {"Edit54", "", "EPC number not written: it must be 1 to 31 whole words of four hex digits   "},
        {"Edit54", "01000000000000000000000000", "EPC number not written: it must be 1 to 31 whole words of four hex digits   "},
        {"Edit63", "5D 19 E4", "EPC number not written: the access password must be 8 hex digits   "},
        {"Edit63", "5D 19 E4 70 00", "EPC number not written: the access password must be 8 hex digits   "},
        {"Edit62", "1G", "EPC number not written: the step cannot be added to it   "},
    };
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        edit("Edit54")->setText("000000000000000000000001");
        edit("Edit63")->setText("5D 19 E4 70");
        edit("Edit62")->setText("1");
        edit(r.field)->setText(r.text);
        click("Button66");
        EXPECT_EQ(fake.frameCount(), 0) << r.field << " " << r.text;
        EXPECT_EQ(lines(), (QStringList{QString(r.line) + kTime, ""})) << r.field << " " << r.text;
    }
    // 62 bytes still go out; 63 would not fit the PC byte.
    edit("Edit62")->setText("1");
    edit("Edit54")->setText(QString(124, '0'));
    queue({noTag()});
    click("Button66");
    EXPECT_EQ(fake.frameCount(), 1);
    edit("Edit54")->setText(QString(128, '0'));
    click("Button66");
    EXPECT_EQ(fake.frameCount(), 1);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UhfWrite, ReadButtons) {
    queue({tagFound()});
    click("Button65");
    queue({noTag()});
    click("Button65");
    fake.queueEmptyRead();
    click("Button65");
    EXPECT_EQ(lines(), (QStringList{QString("the epc is: ") + kTagEpcText,
                                    QString("The card is not exist..!   ") + kTime, "",
                                    QString("error,no data  receive..   ") + kTime, ""}));
    EXPECT_EQ(fake.frameCount(), 3);

    // Read: inventory, then select and read of the EPC memory; neither answer is judged.
    fake.reset();
    form->RichEdit1->clearAll();
    queue({tagFound(), selected(), carried(moduleFrame(0x01, 0x39, {0x00}))});
    click("Button67");
    auto frames = fake.frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(edit("Edit53")->text(), kTagEpcText);
    EXPECT_EQ(frames[1], passThrough(std::string("BB 00 0C 00 13 01 00 00 00 20 60 00 ") + kTagEpcText + "3A 7E"));
    EXPECT_EQ(frames[2], passThrough("BB 00 39 00 09 5D 19 E4 70 01 00 00 00 08 15 7E"));
    EXPECT_EQ(lines(), (QStringList{QString("the epc is: ") + kTagEpcText}));
}

TEST_F(UhfWrite, ReaderModeSwitch) {
    struct Row {
        const char* radio;
        Bytes frame;
        const char* name;
    } rows[] = {
        {"RadioButton30", {0x02, 0x00, 0x02, 0x0F, 0x01, 0x0C, 0x03}, "Active search for EPC number of single card"},
        {"RadioButton31", {0x02, 0x00, 0x02, 0x0F, 0x02, 0x0F, 0x03}, "Passive reader mode"},
        {"RadioButton32", {0x02, 0x00, 0x02, 0x0F, 0x03, 0x0E, 0x03}, "Active search for EPC number of multiple cards"},
        {"RadioButton33", {0x02, 0x00, 0x02, 0x0F, 0x04, 0x09, 0x03}, "Active read TID number "},
        {"RadioButton36", {0x02, 0x00, 0x08, 0xBC, 0x03, 0x5D, 0x19, 0xE4, 0x70, 0x00, 0x08, 0x6F, 0x03}, ""},
    };
    for (const Row& r : rows) {
        fake.reset();
        form->RichEdit1->clearAll();
        control<QRadioButton>(r.radio)->setChecked(true);
        fake.queueReply(FakeUsb::makeReply(0x00, 0x00, {}));
        click("Button69");
        EXPECT_EQ(fake.frames(), std::vector<Bytes>{r.frame}) << r.radio;
        EXPECT_EQ(lines(), (QStringList{QString("Set  ") + r.name + " Success " + "   " + kTime})) << r.radio;
    }

    form->RichEdit1->clearAll();
    control<QRadioButton>("RadioButton31")->setChecked(true);
    fake.queueReply(FakeUsb::makeReply(0x00, 0x01, {0x83}));
    click("Button69");
    fake.queueReply(FakeUsb::makeReply(0x00, 0x02, {}));
    click("Button69");
    fake.queueEmptyRead();
    click("Button69");
    EXPECT_EQ(lines(), (QStringList{QString("Set Passive reader modeFalse   ") + kTime, "卡不存在....", "",
                                    QString("check sum error.....   ") + kTime, "",
                                    QString("error,no data  receive..   ") + kTime, ""}));
}

TEST_F(UhfWrite, MemorySectorFieldsRefused) {
    control<QRadioButton>("RadioButton36")->setChecked(true);
    for (const char* field : {"Edit65", "Edit66", "Edit67", "Edit68"}) {
        form->RichEdit1->clearAll();
        const QString kept = edit(field)->text();
        edit(field)->setText("123");
        click("Button69");
        edit(field)->setText(kept);
        EXPECT_EQ(fake.frameCount(), 0) << field;
        EXPECT_EQ(lines(), (QStringList{
                               QString("Not sent: sector, address and length take 2 hex digits, password 8   ") + kTime, ""}))
            << field;
    }
}

TEST_F(UhfWrite, HiddenCounter) {
    struct Row {
        const char* before;
        QStringList lines;
        const char* after;
    } rows[] = {
        {"000000000000000000FFFFFF", {"000000000000000001000000"}, "000000000000000001000000"},
        {"00 00 00 00 00 00 00 00 00 00 00 01", {"000000000000000000000002"}, "000000000000000000000002"},
        {"0000000000FFFFFFFFFFFFFF", {"000000000100000000000000"}, "000000000100000000000000"},
        {"FFFFFFFFFFFFFFFFFFFFFFFF", {"the data overflow!   ", "1000000000000000000000000"}, "1000000000000000000000000"},
        {"0000000000000000001", {"000000000000000000000002"}, "000000000000000000000002"},
    };
    auto* counter = control("Button68");
    EXPECT_FALSE(counter->isVisible());
    for (const Row& r : rows) {
        form->RichEdit1->clearAll();
        edit("Edit25")->setText(r.before);
        counter->click();
        EXPECT_EQ(lines(), r.lines) << r.before;
        EXPECT_EQ(edit("Edit25")->text(), r.after) << r.before;
    }
    // Fewer than 19 digits leave the last chunk empty: a conversion error, Edit25 as it was.
    form->RichEdit1->clearAll();
    for (const char* shortText : {"31", "3 1", "000000000000000000"}) {
        errors.clear();
        edit("Edit25")->setText(shortText);
        counter->click();
        EXPECT_EQ(errors.size(), 1) << shortText;
        EXPECT_EQ(edit("Edit25")->text(), shortText);
    }
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(UhfWrite, AutomaticIssueStopsAtARefusal) {
    auto* box = control<QCheckBox>("CheckBox20");
    // Two tags are written; the counted number has grown to 13 bytes, which the next pass
    // refuses: the issue stops by itself.
    edit("Edit54")->setText("FFFFFFFFFFFFFFFFFFFFFFFE");
    queue({tagFound(), selected(), written(), tagFound(hexBytes("0102")), selected(), written()});
    QString captionWhileRunning;
    QTimer::singleShot(20, form.get(), [&] { captionWhileRunning = box->text(); });
    clickLoopBox(box);
    EXPECT_EQ(captionWhileRunning, "Stop card");
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(box->text(), "Automatic card");
    EXPECT_EQ(fake.frameCount(), 6);
    QStringList l = lines();
    ASSERT_EQ(l.size(), 6);
    EXPECT_EQ(l[1], "写卡成功,卡号FFFFFFFFFFFFFFFFFFFFFFFE");
    EXPECT_EQ(l[3], "写卡成功,卡号FFFFFFFFFFFFFFFFFFFFFFFF");
    EXPECT_EQ(l[4], QString("EPC number not written: it must be 1 to 31 whole words of four hex digits   ") + kTime);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UhfWrite, AutomaticIssueWithAWaitThatIsNoNumber) {
    auto* box = control<QCheckBox>("CheckBox20");
    edit("Edit61")->setText("2x");
    queue({noTag()});
    clickLoopBox(box);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("is not a valid integer value"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(box->text(), "Automatic card");
    EXPECT_EQ(lines(), (QStringList{QString("The card is not exist..!   ") + kTime}));
}

TEST_F(UhfWrite, AutomaticIssueGoesOnWithoutATagAndAcrossPages) {
    auto* box = control<QCheckBox>("CheckBox20");
    fake.setDefaultReply(noTag());
    int passesBeforeTheChange = 0;
    QTimer::singleShot(250, form.get(), [&] {
        passesBeforeTheChange = fake.frameCount();
        form->setActivePage(0);
        form->PageControl1Change();
    });
    QTimer::singleShot(600, form.get(), [&] { box->setChecked(false); });
    clickLoopBox(box);
    EXPECT_GE(passesBeforeTheChange, 1);
    EXPECT_GT(fake.frameCount(), passesBeforeTheChange) << "the page change did not stop it";
    EXPECT_EQ(box->text(), "Automatic card");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UhfWrite, AutomaticIssuePassesOverADamagedAnswerAsOverAnEmptyField) {
    auto* box = control<QCheckBox>("CheckBox20");
    edit("Edit61")->setText("0");
    queue({tagFound(Bytes(32, 0x11)), tagFound(), selected(), written()});
    fake.setDefaultReply(noTag());
    const QString writtenLine = "写卡成功,卡号000000000000000000000001";
    // The operator stops the issue once the next tag is written.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, form.get(), [&] {
        if (box->isChecked() && lines().contains(writtenLine)) box->setChecked(false);
    });
    watch.start(10);
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !box->isChecked(); }, 5000));
    watch.stop();
    EXPECT_EQ(lines().mid(0, 4), (QStringList{QString("check sum error.....   ") + kTime, "",
                                              "Write Card Success,The card number is : 000000000000000000000001",
                                              writtenLine}));
    EXPECT_EQ(edit("Edit54")->text(), "000000000000000000000002");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UhfWrite, SectorButtonsShowANewMemoryLayoutWindowEachTime) {
    std::vector<QPointer<QDialog>> shown;
    console::setModalRunner([&](QDialog* d) {
        EXPECT_NE(qobject_cast<TForm3*>(d), nullptr);
        EXPECT_EQ(d->windowTitle(), "Card memory structure");
        shown.emplace_back(d);
    });
    Form3 = new TForm3(form.get());
    click("Button72");
    EXPECT_EQ(Form3, nullptr);
    form->setActivePage(8);
    click("Button77");
    form->setActivePage(7);
    click("Button72");
    console::setModalRunner(nullptr);
    ASSERT_EQ(shown.size(), 3u);
    for (const auto& d : shown) EXPECT_TRUE(d.isNull()) << "freed once closed";
    EXPECT_EQ(Form3, nullptr);
}

TEST_F(UhfWrite, ClearInterface) {
    form->addLog("a line");
    click("Button70");
    EXPECT_TRUE(lines().isEmpty());
}

}  // namespace
