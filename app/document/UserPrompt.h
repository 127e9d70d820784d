// Message boxes and file choices, as the document logic asks for them. The program answers
// with Qt dialogs; tests answer from a script and keep every question.
#pragma once

#include <optional>
#include <string>

namespace hummwell {

enum class PromptIcon { Error, Exclamation, Question, Information };
enum class PromptButtons { Ok, YesNo, YesNoCancel, RetryCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel, Retry };

// A file dialog: the filter in the form "Name (*.ext)|*.ext|", the default extension, and
// whether the file must exist (open) or is confirmed before it is overwritten (save).
struct FileChoice {
    std::string filter;
    std::string defaultExtension;
    std::string initialPath;
};

class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    virtual PromptAnswer message(const std::string& text, const std::string& title,
                                 PromptIcon icon, PromptButtons buttons) = 0;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> chooseFileToOpen(const FileChoice& choice) = 0;
    virtual std::optional<std::string> chooseFileToSave(const FileChoice& choice) = 0;

    // The common case: one line, "ERROR", an OK button.
    void error(const std::string& text, PromptIcon icon = PromptIcon::Error) {
        message(text, "ERROR", icon, PromptButtons::Ok);
    }
};

}  // namespace hummwell
