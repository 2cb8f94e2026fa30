#include <iostream>

#include "CliApp.h"
#include "CommandLine.h"

int main(int argc, char** argv) {
    vexo::platform::UseUtf8Console();
    return RunCli(vexo::platform::ProgramArguments(argc, argv), std::cout, std::cerr,
                  vexo::platform::ErrorIsTerminal());
}
