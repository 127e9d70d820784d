// The application: one instance per user, the profile and the installation folder, the file
// named on the command line, the main window with its note view, and the splash shown until
// the view is ready.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <string>

namespace hummwell {

class CMainFrame;
class Profile;
class SingleInstance;
class CStartupSplash;
class TonikHostHook;
class UserPrompt;

class CVtApp final : public QObject {
public:
    // `lockDirectory` holds the single-instance lock; empty for the user's runtime folder.
    CVtApp(UserPrompt& prompt, Profile& profile, std::string lockDirectory = {});
    ~CVtApp() override;

    // Start-up: false when the program must end (another instance runs, or the window could
    // not be made); the message has then been shown.
    bool initInstance(const QStringList& arguments);

    CMainFrame* mainFrame() const { return frame_.get(); }
    const std::string& installDirectory() const { return installDirectory_; }
    const std::string& commandLineFile() const { return commandLineFile_; }
    CStartupSplash* splash() const;
    // Shows the splash over the main window, once, while start-up allows it.
    void showSplash();
    void hideSplash();

protected:
    // The first key or mouse press while the splash shows only removes it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    UserPrompt& prompt_;
    Profile& profile_;
    std::string lockDirectory_;
    std::unique_ptr<SingleInstance> instance_;
    std::string installDirectory_;
    std::string commandLineFile_;
    bool splashEnabled_ = false;
    QPointer<CStartupSplash> splash_;
    int swallowedKey_ = 0;  // the key whose press removed the splash
    // The library's messages through the program's prompt, from before the view starts the
    // library until after the window (and any run it holds) has gone.
    std::unique_ptr<TonikHostHook> host_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace hummwell
