// trevix: the desktop program.
#include "window/StartUp.h"

int main(int argc, char** argv) { return trevix::ui::RunProgram(argc, argv); }
