#include "Host.h"

#include <cstdio>
#include <cstdlib>

namespace tonik {

void Host::fatal(void* owner, const std::string& text, const char* caption) {
    showMessage(owner, text, caption, TONIK_ICON_ERROR, TONIK_BUTTONS_OK);
    quitAndExit();
}

void Host::quitAndExit() {
    postQuit();
    exitProcess(0);
    std::exit(0);  // a host whose exit hook returned still must not carry on
}

void InstalledHost::install(const TonikHost* host) {
    std::lock_guard lock(mutex_);
    host_ = host ? *host : TonikHost{};
}

// A copy, so that no lock is held while the program's hook runs.
TonikHost InstalledHost::current() {
    std::lock_guard lock(mutex_);
    return host_;
}

int InstalledHost::showMessage(void* owner, const std::string& text, const char* caption,
                               TonikIcon icon, TonikButtons buttons) {
    const TonikHost host = current();
    if (host.showMessage)
        return host.showMessage(host.context, owner, text.c_str(), caption, icon, buttons);
    std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
    return buttons == TONIK_BUTTONS_RETRY_CANCEL ? TONIK_ANSWER_CANCEL : TONIK_ANSWER_OK;
}

void InstalledHost::postQuit() {
    const TonikHost host = current();
    if (host.postQuit) host.postQuit(host.context);
}

void InstalledHost::exitProcess(int code) {
    const TonikHost host = current();
    if (host.exitProcess)
        host.exitProcess(host.context, code);
    else
        std::exit(code);
}

std::string formatMessage(const char* format, unsigned value) {
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace tonik
