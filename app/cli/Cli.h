// hummwell-cli: the subcommands transcribe, frames, export and info, as a function the program
// and the tests call alike.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hummwell::cli {

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

struct Console {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;  // a progress bar is drawn only on a terminal
};

// `args` without the program name. Returns the exit code.
int runCli(const std::vector<std::string>& args, Console console);

}  // namespace hummwell::cli
