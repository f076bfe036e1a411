// Vorcard-zh's event table: Vorcard's rows where the handler is shared, this build's own
// handlers where it changes them, and no WiFi page.
#include "TForm1Zh.h"

namespace {
template <typename F>
void (TForm1::*zhHandler(F f))() {
    return static_cast<void (TForm1::*)()>(f);
}
}  // namespace

const std::vector<Binding>& TForm1Zh::zhBindings() {
    static const std::vector<Binding> table = [] {
        // Controls whose event this build binds otherwise, or which it does not have.
        static const char* const kReplaced[] = {"Button63", "Button64", "Button65", "Button71", "Button77",
                                                "Button78", "Button79", "Button80"};
        std::vector<Binding> rows;
        for (const Binding& row : TForm1::bindings()) {
            bool replaced = false;
            for (const char* name : kReplaced) replaced = replaced || std::string_view(row.control) == name;
            if (!replaced) rows.push_back(row);
        }
        const Binding own[] = {
            {"Button63", zhHandler(&TForm1Zh::Button63Click)},
            {"Button64", zhHandler(&TForm1Zh::Button64Click)},
            {"Button78", zhHandler(&TForm1Zh::Button78Click)},
            {"Button65", zhHandler(&TForm1Zh::Button65Click)},
            {"Button71", zhHandler(&TForm1Zh::Button71Click)},
            {"Button79", zhHandler(&TForm1Zh::Button79Click)},
            {"Button80", zhHandler(&TForm1Zh::Button80Click)},
            {"Button77", &TForm1::Button72Click},
            // Serial page port group.
            {"Button73", zhHandler(&TForm1Zh::Button73Click)},
            {"Button74", zhHandler(&TForm1Zh::Button74Click)},
            {"ComboBox21", zhHandler(&TForm1Zh::ComboBox21Change)},
            {"ComboBox22", zhHandler(&TForm1Zh::ComboBox22Change)},
        };
        rows.insert(rows.end(), std::begin(own), std::end(own));
        return rows;
    }();
    return table;
}
