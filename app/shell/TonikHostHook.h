// The library's messages shown by the program: tonik's host hook answered through the
// program's UserPrompt, so its questions get real dialogs and tests a scripted prompt.
#pragma once

#include <functional>

namespace hummwell {

class UserPrompt;

// Installs the hook for `prompt` until the returned guard goes. `quit` is asked to end the
// event loop before the library ends the process after a fatal failure.
class TonikHostHook {
public:
    TonikHostHook(UserPrompt& prompt, std::function<void()> quit);
    ~TonikHostHook();  // the library's own stderr messages again
    TonikHostHook(const TonikHostHook&) = delete;
    TonikHostHook& operator=(const TonikHostHook&) = delete;

private:
    static int showMessage(void* context, void* owner, const char* text, const char* caption,
                           int icon, int buttons);
    static void postQuit(void* context);

    UserPrompt& prompt_;
    std::function<void()> quit_;
};

}  // namespace hummwell
