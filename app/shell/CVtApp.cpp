#include "CVtApp.h"

#include "CMainFrame.h"
#include "Profile.h"
#include "ShellText.h"
#include "SingleInstance.h"
#include "StartupOptions.h"
#include "CStartupSplash.h"
#include "TonikHostHook.h"
#include "document/UserPrompt.h"
#include "view/CVtView.h"
#include "editor/midi/MidiDevice.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QWidget>
#include <QEvent>

#include <iostream>

namespace hummwell {

CVtApp::CVtApp(UserPrompt& prompt, Profile& profile, std::string lockDirectory)
    : prompt_(prompt), profile_(profile), lockDirectory_(std::move(lockDirectory)) {}

CVtApp::~CVtApp() {
    if (qApp) qApp->removeEventFilter(this);
    hideSplash();
}

bool CVtApp::initInstance(const QStringList& arguments) {
    instance_ = std::make_unique<SingleInstance>(
        lockDirectory_.empty() ? SingleInstance::defaultDirectory() : lockDirectory_);
    if (!instance_->acquired()) {
        prompt_.message(kAnotherInstanceRunning, kAppTitle, PromptIcon::Error, PromptButtons::Ok);
        return false;
    }
    if (!instance_->problem().empty())
        std::cerr << "hummwell: " << instance_->problem() << "; starting without the guard\n";

    installDirectory_ = profile_.readString("", kInstallDirEntry);
    splashEnabled_ = true;
    std::vector<std::string> args;
    for (const QString& a : arguments) args.push_back(a.toStdString());
    commandLineFile_ = hummwell::commandLineFile(args);

    std::string problem;
    std::unique_ptr<MidiDevice> device = midiDeviceFromEnvironment(problem);
    if (!device) {
        std::cerr << "hummwell: " << problem << "; MIDI output is silent\n";
        device = midiDeviceFor("none", problem);
    }
    host_ = std::make_unique<TonikHostHook>(prompt_, [] { QCoreApplication::quit(); });
    frame_ = std::make_unique<CMainFrame>(prompt_, profile_, std::move(device), installDirectory_);
    qApp->installEventFilter(this);
    showSplash();
    QApplication::processEvents();  // the splash appears before the slow set-up

    CVtView& view = frame_->view();
    const std::string vcf = profile_.readString(kSettingsSection, kVolumeControlEntry);
    view.setVolumeControlPath(!vcf.empty() ? vcf
                                           : QDir::currentPath().toStdString() + "/" +
                                                 kDefaultVolumeControlFile);
    // The window shows once the view is ready, before the level set-up opens over it.
    if (!view.initialUpdate(commandLineFile_, [this] {
            hideSplash();
            frame_->show();
        })) {
        hideSplash();
        frame_.reset();
        return false;
    }
    frame_->show();
    frame_->refreshCommands();  // the project named on the command line enables its commands
    return true;
}

CStartupSplash* CVtApp::splash() const { return splash_; }

void CVtApp::showSplash() {
    if (splashEnabled_ && !splash_ && frame_) splash_ = CStartupSplash::showOver(frame_.get());
}

void CVtApp::hideSplash() {
    if (splash_) {
        splash_->close();  // deletes itself
        splash_ = nullptr;
        if (frame_) {
            frame_->update();
            if (frame_->isVisible()) frame_->activateWindow();
        }
    }
}

bool CVtApp::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // The splash stays on top of the main window; a message or dialog must never be hidden
    // under it, so the first one to show removes it.
    if (splash_ && type == QEvent::Show && watched != splash_ && watched != frame_.get()) {
        if (const auto* shown = qobject_cast<const QWidget*>(watched); shown && shown->isWindow())
            hideSplash();
    }
    // Only what goes to the main window or the splash: a message box shown meanwhile (the
    // library's, say) takes its own keys and clicks.
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || (widget->window() != frame_.get() && widget->window() != splash_))
        return QObject::eventFilter(watched, event);
    if (splash_) {
        switch (type) {
        case QEvent::ShortcutOverride:
            // A key that is a shortcut would fire before its key press arrives: claim it for
            // the widget, then drop the press itself below.
            swallowedKey_ = static_cast<QKeyEvent*>(event)->key();
            event->accept();
            hideSplash();
            return true;
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
            hideSplash();
            return true;
        default: break;
        }
    } else if (type == QEvent::KeyPress && swallowedKey_ != 0) {
        const bool same = static_cast<QKeyEvent*>(event)->key() == swallowedKey_;
        swallowedKey_ = 0;
        if (same) return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace hummwell
