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
    };
    return table;
}
