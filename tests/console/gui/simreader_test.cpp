// The first page against the simulated reader: the verdicts a newcomer sees without a reader.
#include <QLineEdit>
#include <QRadioButton>

#include "operator.h"
#include "platform/library.h"

namespace {

class SimulatedReader : public Operator {
protected:
    void SetUp() override {
        Operator::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
    }
};

TEST_F(SimulatedReader, SetThenReadBackAndRestore) {
    control<QRadioButton>("RadioButton35")->setChecked(true);
    control<QLineEdit>("Edit64")->setText("10");
    control("CheckBox16")->setChecked(true);
    control("CheckBox21")->setChecked(true);
    click("Button24");
    click("Button25");
    const QString head = "The Output format ： ";
    EXPECT_EQ(lines(), (QStringList{QString("Set Up Success   ") + kTime, "",
                                    QString("Read data success    ") + kTime,
                                    head + "Card number custom length hexadecimal output...",
                                    head + "add semicolon", head + "do not add , ", head + "do not add ? ",
                                    head + "add enter", "", "The customize data is ：  01"}));

    form->RichEdit1->clearAll();
    click("Button57");
    click("Button25");
    QStringList l = lines();
    ASSERT_GE(l.size(), 4);
    EXPECT_EQ(l[0], QString("Restore factory settings Success    ") + kTime);
    EXPECT_EQ(l[3], head + "10 no.in D");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(SimulatedReader, EveryOtherButton) {
    click("Button27");
    click("Button28");
    click("Button63");
    click("Button64");
    QStringList l = lines();
    ASSERT_EQ(l.size(), 6);
    EXPECT_EQ(l[0], QString("Set Active reading success    ") + kTime);
    EXPECT_EQ(l[1], QString("Set Passtive reading success    ") + kTime);
    EXPECT_EQ(l[2], "read version number success ");
    EXPECT_TRUE(l[3].startsWith("the version number is：：")) << l[3].toStdString();
    EXPECT_GT(l[3].size(), QString("the version number is：：").size());
    EXPECT_EQ(l[5], "Send Buzzer Open Instruction..");
}

}  // namespace
