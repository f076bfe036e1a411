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
        {"CheckBox3", &TForm1::CheckBox3Click},
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

        // WiFi page.

        // MIFARE Classic page.

        // Ultralight page.

        // ISO14443B page.

        // ISO15693 page.

        // UHF write page and the UHF module group of the serial page.

        // Continuous modes; CheckBox13 runs CheckBox2's loop.
        {"CheckBox1", &TForm1::CheckBox1Click},
        {"CheckBox2", &TForm1::CheckBox2Click},
        {"CheckBox13", &TForm1::CheckBox2Click},
        {"CheckBox4", &TForm1::CheckBox4Click},
        {"CheckBox5", &TForm1::CheckBox5Click},
        {"CheckBox6", &TForm1::CheckBox6Click},
        {"CheckBox7", &TForm1::CheckBox7Click},
        {"CheckBox8", &TForm1::CheckBox8Click},
        {"CheckBox9", &TForm1::CheckBox9Click},
        {"CheckBox10", &TForm1::CheckBox10Click},
        {"CheckBox11", &TForm1::CheckBox11Click},
        {"CheckBox12", &TForm1::CheckBox12Click},
        {"CheckBox14", &TForm1::CheckBox14Click},
    };
    return table;
}
