#include "Cli.h"

#include <csignal>
#include <unistd.h>

#include <iostream>

int main(int argc, char** argv) {
    // Past the file-size limit a write fails with its reason instead of ending the process,
    // so the output's temporary file is removed and the failure is reported.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    return hummwell::cli::runCli(args, {std::cout, std::cerr, isatty(STDERR_FILENO) == 1});
}
