// A window laid out from another form description: members are found by name, controls that
// form lacks stay null, and the derived window's own form events and event table run.
#include <QLineEdit>

#include "operator.h"

namespace {

class OtherLayout : public TForm1 {
public:
    int created = 0;
    OtherLayout() : TForm1(nullptr, LaidOutElsewhere{}) {
        Ui::TForm1 layout;
        layout.setupUi(this);
        delete layout.TabSheet10;  // this build has no such page
        layout.Edit64->setObjectName("SomethingElse");
        bindControlsByName();
        finishCreate(table());
    }
    void FormCreate() override { ++created; }
    void Button63Click() { addLog("own version command"); }
    void CheckBox17Click() { addLog("ordinary box"); }
    void CheckBox16Click() { addLog("loop box"); }
    static const std::vector<Binding>& table() {
        static const std::vector<Binding> rows = {
            {"Button63", static_cast<void (TForm1::*)()>(&OtherLayout::Button63Click)},
            {"CheckBox17", static_cast<void (TForm1::*)()>(&OtherLayout::CheckBox17Click)},
            {"CheckBox16", static_cast<void (TForm1::*)()>(&OtherLayout::CheckBox16Click), Binding::Loop},
        };
        return rows;
    }
};

TEST(OtherLayoutTest, MembersByNameAndOwnEventsRun) {
    console::setErrorHandler([](const QString& m) { ADD_FAILURE() << m.toStdString(); });
    OtherLayout form;
    EXPECT_EQ(form.created, 1);
    EXPECT_EQ(form.TabSheet10, nullptr);
    EXPECT_EQ(form.Edit64, nullptr);
    ASSERT_NE(form.Button63, nullptr);
    EXPECT_EQ(form.Button63->objectName(), "Button63");
    EXPECT_EQ(form.PageControl1->count(), 9);
    EXPECT_FALSE(form.PageControl1->isTabVisible(1)) << "TabSheet4 stays hidden";
    EXPECT_TRUE(form.PageControl1->isTabVisible(0));

    QTest::mouseClick(form.Button63, Qt::LeftButton);
    ASSERT_EQ(form.RichEdit1->lineCount(), 1);
    EXPECT_EQ(form.RichEdit1->line(0), "own version command");
    QTest::mouseClick(form.Button64, Qt::LeftButton);
    EXPECT_EQ(form.RichEdit1->lineCount(), 1) << "rows of the other table are not bound";
    console::setErrorHandler(nullptr);
}

// A check box that a click ticks runs its handler inside the click, as other checkable buttons
// do, unless its row marks it as a loop box: that one's handler starts once the click is over.
TEST(OtherLayoutTest, OnlyTheBoxesTheTableMarksStartTheirLoopAfterTheClick) {
    console::setErrorHandler([](const QString& m) { ADD_FAILURE() << m.toStdString(); });
    OtherLayout form;
    ASSERT_FALSE(form.CheckBox17->isChecked());
    ASSERT_FALSE(form.CheckBox16->isChecked());
    form.CheckBox17->click();
    ASSERT_EQ(form.RichEdit1->lineCount(), 1);
    EXPECT_EQ(form.RichEdit1->line(0), "ordinary box");

    form.CheckBox16->click();
    EXPECT_EQ(form.RichEdit1->lineCount(), 1) << "no loop runs inside the click";
    QCoreApplication::sendPostedEvents(&form, QEvent::MetaCall);
    ASSERT_EQ(form.RichEdit1->lineCount(), 2);
    EXPECT_EQ(form.RichEdit1->line(1), "loop box");
    console::setErrorHandler(nullptr);
}

}  // namespace
