// UserPrompt with Qt's dialogs: message boxes with their icons and buttons, and the file
// dialogs of Open, Save and Export.
#pragma once

#include "document/UserPrompt.h"

#include <QPointer>
#include <QWidget>

namespace hummwell {

class QtPrompt final : public UserPrompt {
public:
    // Dialogs are centred on the main window once it exists.
    void setParent(QWidget* parent) { parent_ = parent; }

    PromptAnswer message(const std::string& text, const std::string& title, PromptIcon icon,
                         PromptButtons buttons) override;
    std::optional<std::string> chooseFileToOpen(const FileChoice& choice) override;
    std::optional<std::string> chooseFileToSave(const FileChoice& choice) override;

private:
    QPointer<QWidget> parent_;
};

// "Name (*.ext)|*.ext|" as Qt writes a filter: "Name (*.ext)", one per line pair.
QString qtFileFilter(const std::string& filter);

}  // namespace hummwell
