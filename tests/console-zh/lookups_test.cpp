// The window's lookups by name, checked when it is made: control members found by name, event
// table rows and the controls that the pages' command tables name. Each build resolves every
// name except the controls it declares it lacks; a form that lacks or retypes one more shows
// it in the window's list instead of leaving a null member for a click to meet.
#include <QLabel>
#include <QLineEdit>
#include <cstring>
#include <gtest/gtest.h>
#include <new>

#include "TForm1Zh.h"
#include "gui/seams.h"

namespace {

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

// Every control member of the main window that is not null.
QStringList setMembers(TForm1* form) {
    QStringList set;
#define FORM_CONTROL(Class, name) \
    if (form->name) set << QStringLiteral(#name);
#include "form_controls.inc"
#undef FORM_CONTROL
    return set;
}

int memberCount() {
    int n = 0;
#define FORM_CONTROL(Class, name) ++n;
#include "form_controls.inc"
#undef FORM_CONTROL
    return n;
}

class LookupsTest : public ::testing::Test {
protected:
    void SetUp() override { console::setErrorHandler([](const QString& m) { ADD_FAILURE() << m.toStdString(); }); }
    void TearDown() override { console::setErrorHandler(nullptr); }
};

TEST_F(LookupsTest, EachBuildResolvesEveryNameButTheControlsItLacks) {
    TForm1 vorcard;
    EXPECT_EQ(vorcard.unresolvedControls(), QStringList());
    EXPECT_EQ(vorcard.lackingControls(), QStringList());

    TForm1Zh zh;
    EXPECT_EQ(sorted(zh.unresolvedControls()), sorted(zh.lackingControls()));
    EXPECT_EQ(QStringList(zh.unresolvedControls()).removeDuplicates(), 0);
    EXPECT_EQ(setMembers(&zh).size() + zh.lackingControls().size(), memberCount());
}

// A window laid out from a form description that it then changes, so that lookups fail.
class AlteredLayout : public TForm1 {
public:
    QStringList foundMissing;
    AlteredLayout(const std::function<void(Ui::TForm1&)>& alter, const std::vector<Binding>& table)
        : TForm1(nullptr, LaidOutElsewhere{}) {
        Ui::TForm1 layout;
        layout.setupUi(this);
        alter(layout);
        foundMissing = bindControlsByName();
        finishCreate(table);
    }
    // Made on memory full of other bytes; nothing is laid out.
    struct Bare {};
    explicit AlteredLayout(Bare) : TForm1(nullptr, LaidOutElsewhere{}) {}
    using TForm1::bindControlsByName;
};

TEST_F(LookupsTest, ControlsMissingOrOfAnotherClassAreListedWhenTheWindowIsMade) {
    static const std::vector<Binding> table = {
        {"Button24", &TForm1::Button24Click},
        {"Label56", &TForm1::Button52Click},     // a label has no event to bind
        {"ButtonGone", &TForm1::Button53Click},  // no such control
        {"Button25", &TForm1::Button25Click, Binding::Loop},  // a push button is no loop box
    };
    const AlteredLayout form(
        [](Ui::TForm1& ui) {
            ui.Edit55->setObjectName("Edit55Renamed");          // a field an ISO15693 command reads
            ui.RadioButton34->setObjectName("RadioButton34x");  // an output format
            ui.Label57->setObjectName("Label57x");              // a member only
        },
        table);
    EXPECT_EQ(sorted(form.foundMissing), (QStringList{"Edit55", "Label57", "RadioButton34"}));
    EXPECT_EQ(sorted(form.unresolvedControls()),
              (QStringList{"Button25", "ButtonGone", "Edit55", "Label56", "Label57", "RadioButton34"}));
}

TEST_F(LookupsTest, TheConstructorForAnotherLayoutLeavesEveryMemberNull) {
    alignas(AlteredLayout) unsigned char memory[sizeof(AlteredLayout)];
    std::memset(memory, 0xA5, sizeof memory);
    auto* form = new (memory) AlteredLayout(AlteredLayout::Bare{});
    EXPECT_EQ(setMembers(form), QStringList());
    // Nothing laid out: every name is reported.
    EXPECT_EQ(form->bindControlsByName().size(), memberCount());
    form->~AlteredLayout();
}

}  // namespace
