// The main window: menus, toolbar and status bar around the note view, the keyboard strip on
// the left and the control panel on the right. Every menu item, button and key is an action
// named by its command id; the frame runs it through the view's state and keeps every
// action's enabled state in step with the transport, the selection and the clip.
#pragma once

#include "document/UserPrompt.h"

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QToolBar;

namespace hummwell {

class CVtView;
class ControlPanel;
class MidiDevice;
class Profile;

inline constexpr int kFrameWidth = 800;
inline constexpr int kFrameHeight = 667;  // held while resizing
inline constexpr int kFrameMinimumWidth = 500;
inline constexpr int kLeftKeyboardWidth = 30;

class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(UserPrompt& prompt, Profile& profile, std::unique_ptr<MidiDevice> device,
               std::string installDirectory);
    ~CMainFrame() override;

    CVtView& view() { return *view_; }
    ControlPanel& panel() { return *panel_; }
    QToolBar& toolBar() { return *toolBar_; }
    // The action of a command id, or null.
    QAction* action(int id) const;
    QLabel* messagePane() const { return messagePane_; }

    // Runs a command as its menu item would, if it is enabled.
    void runCommand(int id);
    // Every action's enabled and checked state from the view's state; cheap, and run after
    // anything that may change them.
    void refreshCommands();
    void updateRecentFiles();

protected:
    bool event(QEvent* event) override;
    // A take under way is stopped, and a project with frames is offered for saving first.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    // The user guide, at `section` when one is named.
    void openUserGuide(const QString& section = {});
    void openWebPage(const char* address);
    void openRecentFile(int index);
    void updateLockIndicators();

    UserPrompt& prompt_;
    Profile& profile_;
    std::string installDirectory_;
    CVtView* view_ = nullptr;
    ControlPanel* panel_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* messagePane_ = nullptr;
    std::map<std::string, QLabel*> indicators_;
    std::map<int, QAction*> actions_;
    bool refreshPending_ = false;
};

}  // namespace hummwell
