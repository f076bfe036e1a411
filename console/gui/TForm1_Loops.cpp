// Continuous modes: a loop box repeats its page's command while it stays checked. Each pass
// clicks the target buttons, then waits the loop interval (Edit22, or the row's own field)
// plus the row's offset; the box is tested after the wait, so unchecking it ends the loop
// after the current pass. Clicks that arrive during the waits run inside them, so a second
// loop runs nested in the first. The operator's click on a box is over before its loop starts
// (see TForm1::bindLoopBox).
#include <QAbstractButton>
#include <QLineEdit>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <string_view>

#include "TForm1.h"
#include "core/hextext.h"

namespace {

enum class Wait {
    UntilReply,  // Delay: ends early once a reply is stored
    Full,        // Delayy: always the full time
};

struct ContinuousMode {
    const char* box;
    const char* targets[2];  // clicked in order; the wait follows each
    Wait wait;
    int offset;  // milliseconds added to the loop interval
    const char* interval = "Edit22";  // the field that holds the loop interval
};

// The one table of continuous modes. A row whose box the form lacks never runs.
constexpr ContinuousMode kModes[] = {
    {"CheckBox2", {"Button8", nullptr}, Wait::Full, 0},
    {"CheckBox1", {"Button9", nullptr}, Wait::Full, 10},
    {"CheckBox4", {"Button29", nullptr}, Wait::UntilReply, 10},
    {"CheckBox12", {"Button9", "Button8"}, Wait::Full, 10},
    {"CheckBox8", {"Button55", nullptr}, Wait::UntilReply, 10},
    {"CheckBox9", {"Button18", nullptr}, Wait::UntilReply, 50},
    {"CheckBox10", {"Button54", nullptr}, Wait::Full, 100},
    {"CheckBox11", {"Button31", nullptr}, Wait::UntilReply, 10},
    {"CheckBox14", {"Button22", nullptr}, Wait::Full, 0},
    {"CheckBox5", {"Button37", nullptr}, Wait::UntilReply, 10},
    {"CheckBox6", {"Button38", nullptr}, Wait::UntilReply, 10},
    {"CheckBox7", {"Button39", nullptr}, Wait::UntilReply, 10},
    {"CheckBox20", {"Button66", nullptr}, Wait::Full, 100, "Edit61"},
};

// The loop interval (Edit22, which its own check keeps a non-negative 32-bit integer, decimal
// or hexadecimal) plus the row's offset, held within an int.
int loopWait(const std::string& text, int offset) {
    std::int32_t interval = 0;
    if (!console::TryStrToInt32(text, interval))
        throw console::EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int>(std::min<long long>(static_cast<long long>(interval) + offset, INT_MAX));
}

const ContinuousMode* modeOf(const char* box) {
    for (const ContinuousMode& m : kModes)
        if (std::strcmp(m.box, box) == 0) return &m;
    return nullptr;
}

}  // namespace

void TForm1::runContinuousMode(const char* box) {
    const ContinuousMode* mode = modeOf(box);
    QAbstractButton* check = button(box);
    auto* intervalField = mode ? findChild<QLineEdit*>(QString::fromUtf8(mode->interval)) : nullptr;
    if (!mode || !check || !intervalField) return;
    while (loopGoesOn(check)) {
        for (const char* target : mode->targets) {
            if (!target) break;
            clickButton(target);
            // Edit22 is kept a non-negative integer by its own check; another interval field
            // that holds no number ends the loop with a conversion error.
            int ms = loopWait(intervalField->text().toStdString(), mode->offset);
            if (mode->wait == Wait::Full)
                Delayy(ms);
            else
                Delay(ms);
        }
    }
}

// CheckBox13 of the ISO14443B page is bound here too: it runs CheckBox2's loop only while
// CheckBox2 is checked.
void TForm1::CheckBox2Click() { runContinuousMode("CheckBox2"); }
void TForm1::CheckBox1Click() { runContinuousMode("CheckBox1"); }
void TForm1::CheckBox4Click() { runContinuousMode("CheckBox4"); }
void TForm1::CheckBox12Click() { runContinuousMode("CheckBox12"); }
void TForm1::CheckBox8Click() { runContinuousMode("CheckBox8"); }
void TForm1::CheckBox9Click() { runContinuousMode("CheckBox9"); }
void TForm1::CheckBox10Click() { runContinuousMode("CheckBox10"); }
void TForm1::CheckBox11Click() { runContinuousMode("CheckBox11"); }
void TForm1::CheckBox14Click() { runContinuousMode("CheckBox14"); }
void TForm1::CheckBox5Click() { runContinuousMode("CheckBox5"); }
void TForm1::CheckBox6Click() { runContinuousMode("CheckBox6"); }
void TForm1::CheckBox7Click() { runContinuousMode("CheckBox7"); }
