// How the library talks to the user: message boxes, and the fatal exit after a set-up failure
// that the user did not retry. The program installs its own presenter through tonik_set_host;
// without one, messages go to stderr and questions get their default answer (Cancel).
// Used on the application thread only.
#pragma once

#include "tonik.h"

#include <mutex>
#include <string>

namespace tonik {

class Host {
public:
    virtual ~Host() = default;
    // Returns a TonikAnswer.
    virtual int showMessage(void* owner, const std::string& text, const char* caption,
                            TonikIcon icon, TonikButtons buttons) = 0;
    virtual void postQuit() = 0;
    virtual void exitProcess(int code) = 0;

    // Shows an error, asks the program to quit and ends the process with exit code 0.
    [[noreturn]] void fatal(void* owner, const std::string& text, const char* caption);
    // Asks the program to quit and ends the process with exit code 0.
    [[noreturn]] void quitAndExit();
};

// The host installed with tonik_set_host, or stderr.
class InstalledHost final : public Host {
public:
    void install(const TonikHost* host);
    int showMessage(void* owner, const std::string& text, const char* caption, TonikIcon icon,
                    TonikButtons buttons) override;
    void postQuit() override;
    void exitProcess(int code) override;

private:
    TonikHost current();
    std::mutex mutex_;
    TonikHost host_{};
};

// printf-style formatting for message texts.
std::string formatMessage(const char* format, unsigned value);

}  // namespace tonik
