// zefhost: a stand-in modelling host that loads the zefexp plug-in and runs its
// exporter and its utility from the command line or from session scripts.
#include <csignal>
#include <iostream>

#include "app/command_line.h"
#include "app/large_pages.h"
#ifdef _WIN32
#include "app/window/host_window.h"
#endif

int main(int argc, char** argv) {
    restartOnLargePages(argv);
#ifdef SIGXFSZ
    // A file-size limit then fails the write ("Write error on file") instead of killing
    // zefhost in the middle of a save.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef _WIN32
    setPersonFrontEnd(&hostWindowFrontEnd());
#endif
    return runZefhost(args, std::cout, std::cerr);
}
