// Vorcard-zh: the reader console, Chinese build.
#include "TForm1Zh.h"
#include "gui/program.h"

int main(int argc, char** argv) { return console::runProgram<TForm1Zh, TForm2Zh, TForm3Zh>(argc, argv); }
