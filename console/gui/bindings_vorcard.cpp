// Vorcard's event table: which handler each control's event runs.
#include "TForm1.h"

const std::vector<Binding>& TForm1::bindings() {
    static const std::vector<Binding> table = {
        {"Timer1", &TForm1::Timer1Timer},
        {"PageControl1", &TForm1::PageControl1Change},
        {"MenuItem1", &TForm1::MenuItem1Click},
        {"MenuItem2", &TForm1::MenuItem2Click},
        {"N15", &TForm1::N15Click},
        {"N20", &TForm1::N20Click},
        {"N17", &TForm1::N17Click},
        {"N18", &TForm1::N18Click},
        {"N19", &TForm1::N19Click},
        {"Button24", &TForm1::Button24Click},
        {"Button25", &TForm1::Button25Click},
        {"Button27", &TForm1::Button27Click},
        {"Button28", &TForm1::Button28Click},
        {"Button57", &TForm1::Button57Click},
        {"Button63", &TForm1::Button63Click},
        {"Button64", &TForm1::Button64Click},
        // Serial page.
        {"Button1", &TForm1::Button1Click},
        {"Button2", &TForm1::Button2Click},
        {"ComboBox1", &TForm1::ComboBox1Change},
        {"ComboBox2", &TForm1::ComboBox2Change},
        {"Button3", &TForm1::Button3Click},
        {"CheckBox3", &TForm1::CheckBox3Click, Binding::Loop},
        {"Button6", &TForm1::Button6Click},
        {"Button5", &TForm1::Button5Click},
        {"Button7", &TForm1::Button7Click},

        // System command page.
        {"Button12", &TForm1::Button12Click},
        {"Button4", &TForm1::Button4Click},
        {"Button11", &TForm1::Button11Click},
        {"Button14", &TForm1::Button14Click},
        {"Button13", &TForm1::Button13Click},
        {"Button20", &TForm1::Button20Click},
        {"Button23", &TForm1::Button23Click},
        {"Button21", &TForm1::Button21Click},
        {"Button52", &TForm1::Button52Click},
        {"Button53", &TForm1::Button53Click},
        {"Edit22", &TForm1::Edit22Change},

        // Device settings page.
        {"Button30", &TForm1::Button30Click},
        {"Button35", &TForm1::Button35Click},
        {"Button41", &TForm1::Button41Click},
        {"Button51", &TForm1::Button51Click},
        {"Button56", &TForm1::Button56Click},
        {"Button62", &TForm1::Button62Click},
        {"Button43", &TForm1::Button43Click},
        {"Button50", &TForm1::Button50Click},
        {"Button58", &TForm1::Button58Click},
        {"Button59", &TForm1::Button59Click},
        {"Button60", &TForm1::Button60Click},
        {"Button61", &TForm1::Button61Click},

        // WiFi page.
        {"Button78", &TForm1::Button78Click},
        {"Button79", &TForm1::Button79Click},
        {"Button80", &TForm1::Button80Click},

        // MIFARE Classic page.
        {"Button8", &TForm1::Button8Click},
        {"Button9", &TForm1::Button9Click},
        {"Button16", &TForm1::Button16Click},
        {"Button29", &TForm1::Button29Click},
        {"Button26", &TForm1::Button26Click},
        {"Button10", &TForm1::Button10Click},
        {"Button15", &TForm1::Button15Click},
        {"RadioButton2", &TForm1::RadioButton2Click},
        {"RadioButton1", &TForm1::RadioButton1Click},

        // Ultralight page.
        {"Button55", &TForm1::Button55Click},
        {"Button18", &TForm1::Button18Click},
        {"Button54", &TForm1::Button54Click},
        {"Button17", &TForm1::Button17Click},

        // ISO14443B page.
        {"Button31", &TForm1::Button31Click},
        {"Button32", &TForm1::Button32Click},
        {"Button33", &TForm1::Button33Click},
        {"Button34", &TForm1::Button34Click},
        {"Button36", &TForm1::Button36Click},
        {"Button19", &TForm1::Button19Click},
        {"Button22", &TForm1::Button22Click},

        // ISO15693 page.
        {"Button37", &TForm1::Button37Click},
        {"Button38", &TForm1::Button38Click},
        {"Button39", &TForm1::Button39Click},
        {"Button40", &TForm1::Button40Click},
        {"Button42", &TForm1::Button42Click},
        {"Button44", &TForm1::Button44Click},
        {"Button45", &TForm1::Button45Click},
        {"Button46", &TForm1::Button46Click},
        {"Button47", &TForm1::Button47Click},
        {"Button48", &TForm1::Button48Click},
        {"Button49", &TForm1::Button49Click},

        // UHF write page and the UHF module group of the serial page.
        {"Button65", &TForm1::Button65Click},
        {"Button66", &TForm1::Button66Click},
        {"Button67", &TForm1::Button67Click},
        {"Button68", &TForm1::Button68Click},
        {"Button69", &TForm1::Button69Click},
        {"Button70", &TForm1::Button70Click},
        {"Button72", &TForm1::Button72Click},
        {"CheckBox20", &TForm1::CheckBox20Click, Binding::Loop},
        {"Button71", &TForm1::Button71Click},
        {"Button75", &TForm1::Button75Click},
        {"Button76", &TForm1::Button76Click},
        {"Button77", &TForm1::Button77Click},

        // Continuous modes; CheckBox13 runs CheckBox2's loop.
        {"CheckBox1", &TForm1::CheckBox1Click, Binding::Loop},
        {"CheckBox2", &TForm1::CheckBox2Click, Binding::Loop},
        {"CheckBox13", &TForm1::CheckBox2Click, Binding::Loop},
        {"CheckBox4", &TForm1::CheckBox4Click, Binding::Loop},
        {"CheckBox5", &TForm1::CheckBox5Click, Binding::Loop},
        {"CheckBox6", &TForm1::CheckBox6Click, Binding::Loop},
        {"CheckBox7", &TForm1::CheckBox7Click, Binding::Loop},
        {"CheckBox8", &TForm1::CheckBox8Click, Binding::Loop},
        {"CheckBox9", &TForm1::CheckBox9Click, Binding::Loop},
        {"CheckBox10", &TForm1::CheckBox10Click, Binding::Loop},
        {"CheckBox11", &TForm1::CheckBox11Click, Binding::Loop},
        {"CheckBox12", &TForm1::CheckBox12Click, Binding::Loop},
        {"CheckBox14", &TForm1::CheckBox14Click, Binding::Loop},
    };
    return table;
}
