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

        // System command page.

        // Device settings page.

        // WiFi page.

        // MIFARE Classic page.

        // Ultralight page.

        // ISO14443B page.

        // ISO15693 page.

        // UHF write page and the UHF module group of the serial page.
        {"Button65", &TForm1::Button65Click},
        {"Button66", &TForm1::Button66Click},
        {"Button67", &TForm1::Button67Click},
        {"Button68", &TForm1::Button68Click},
        {"Button69", &TForm1::Button69Click},
        {"Button70", &TForm1::Button70Click},
        {"Button72", &TForm1::Button72Click},
        {"CheckBox20", &TForm1::CheckBox20Click},
        {"Button71", &TForm1::Button71Click},
        {"Button75", &TForm1::Button75Click},
        {"Button76", &TForm1::Button76Click},
        {"Button77", &TForm1::Button77Click},

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
