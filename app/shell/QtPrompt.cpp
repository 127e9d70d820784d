#include "QtPrompt.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace hummwell {

QString qtFileFilter(const std::string& filter) {
    // The pairs are "shown name|pattern"; Qt reads the pattern from the shown name.
    const QStringList parts = QString::fromStdString(filter).split('|', Qt::SkipEmptyParts);
    QStringList names;
    for (int i = 0; i < parts.size(); i += 2) names << parts[i];
    return names.join(";;");
}

PromptAnswer QtPrompt::message(const std::string& text, const std::string& title,
                               PromptIcon icon, PromptButtons buttons) {
    QMessageBox box(parent_);
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(QString::fromStdString(title));
    switch (icon) {
    case PromptIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case PromptIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case PromptIcon::Question: box.setIcon(QMessageBox::Question); break;
    case PromptIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
    case PromptButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case PromptButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case PromptButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case PromptButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    case QMessageBox::Retry: return PromptAnswer::Retry;
    default: return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }
}

std::optional<std::string> QtPrompt::chooseFileToOpen(const FileChoice& choice) {
    const QString path = QFileDialog::getOpenFileName(
        parent_, {}, QString::fromStdString(choice.initialPath), qtFileFilter(choice.filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtPrompt::chooseFileToSave(const FileChoice& choice) {
    QFileDialog dialog(parent_, {}, QString::fromStdString(choice.initialPath),
                       qtFileFilter(choice.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before overwriting
    dialog.setDefaultSuffix(QString::fromStdString(choice.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace hummwell
