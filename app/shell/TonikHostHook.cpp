#include "TonikHostHook.h"

#include "document/UserPrompt.h"
#include "tonik.h"

namespace hummwell {

TonikHostHook::TonikHostHook(UserPrompt& prompt, std::function<void()> quit)
    : prompt_(prompt), quit_(std::move(quit)) {
    const TonikHost host{this, &TonikHostHook::showMessage, &TonikHostHook::postQuit, nullptr};
    tonik_set_host(&host);
}

TonikHostHook::~TonikHostHook() { tonik_set_host(nullptr); }

int TonikHostHook::showMessage(void* context, void*, const char* text, const char* caption,
                               int icon, int buttons) {
    auto* self = static_cast<TonikHostHook*>(context);
    const PromptIcon shown = icon == TONIK_ICON_ERROR     ? PromptIcon::Error
                             : icon == TONIK_ICON_WARNING ? PromptIcon::Exclamation
                                                          : PromptIcon::Information;
    const PromptButtons choice =
        buttons == TONIK_BUTTONS_RETRY_CANCEL ? PromptButtons::RetryCancel : PromptButtons::Ok;
    const PromptAnswer answer =
        self->prompt_.message(text ? text : "", caption ? caption : "", shown, choice);
    if (choice == PromptButtons::Ok) return TONIK_ANSWER_OK;
    return answer == PromptAnswer::Retry ? TONIK_ANSWER_RETRY : TONIK_ANSWER_CANCEL;
}

void TonikHostHook::postQuit(void* context) {
    auto* self = static_cast<TonikHostHook*>(context);
    if (self->quit_) self->quit_();
}

}  // namespace hummwell
