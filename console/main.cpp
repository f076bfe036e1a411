// Vorcard: the reader console, English build.
#include "gui/TForm2.h"
#include "gui/TForm3.h"
#include "gui/program.h"

int main(int argc, char** argv) { return console::runProgram<TForm1, TForm2, TForm3>(argc, argv); }
