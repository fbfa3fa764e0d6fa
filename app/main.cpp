// zefhost: a stand-in modelling host that loads the zefexp plug-in and runs its
// exporter and its utility from the command line or from session scripts.
#include <fstream>
#include <iostream>
#include <sstream>

#include <CLI/CLI.hpp>

#include "app/command_line.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return runZefhost(args, std::cout, std::cerr);
}
