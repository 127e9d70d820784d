#include "CMainFrame.h"

#include "CAboutDlg.h"
#include "MenuLayout.h"
#include "Profile.h"
#include "ShellText.h"
#include "StartupOptions.h"
#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"
#include "view/CVtView.h"
#include "editor/Commands.h"
#include "editor/ControlPanel.h"
#include "editor/midi/MidiDevice.h"
#include "editor/CVolumeControlDlg.h"
#include "resources/Pictures.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace hummwell {

namespace {

// The status-bar text of a prompt ("status\ntip") and its tool tip.
QString statusPart(const char* prompt) { return QString(prompt).section('\n', 0, 0); }
QString tipPart(const char* prompt) {
    const QString p(prompt);
    return p.contains('\n') ? p.section('\n', 1) : QString();
}

// The keyboard's lock lights as the kernel drives them; none on a machine without them.
bool lockLightOn(const QString& suffix) {
    const QDir leds("/sys/class/leds");
    for (const QString& name : leds.entryList({"*::" + suffix}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile brightness(leds.filePath(name + "/brightness"));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed().toInt() > 0)
            return true;
    }
    return false;
}

}  // namespace

CMainFrame::CMainFrame(UserPrompt& prompt, Profile& profile, std::unique_ptr<MidiDevice> device,
                       std::string installDirectory)
    : prompt_(prompt), profile_(profile), installDirectory_(std::move(installDirectory)) {
    setObjectName("mainFrame");
    setWindowTitle(kAppTitle);  // the open project is never named in the caption
    setWindowIcon(QIcon(QPixmap::fromImage(pictures::programImage(32))));
    resize(kFrameWidth, kFrameHeight);
    setMinimumSize(kFrameMinimumWidth, kFrameHeight);
    setMaximumHeight(kFrameHeight);

    auto* centre = new QWidget;
    auto* row = new QHBoxLayout(centre);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // The left bar: a keyboard strip whose first row is the view's first pitch row.
    auto* leftBar = new QWidget;
    leftBar->setObjectName("leftBar");
    auto* leftColumn = new QVBoxLayout(leftBar);
    leftColumn->setContentsMargins(2, 28, 0, 0);
    auto* keys = new QLabel;
    keys->setObjectName("leftKeyboard");
    keys->setPixmap(QPixmap::fromImage(
        pictures::keyboardStrip(kLeftKeyboardWidth, pictures::KeyboardSide::ViewOnRight)));
    keys->setFixedSize(kLeftKeyboardWidth, pictures::kKeyboardHeight);
    leftColumn->addWidget(keys);
    leftColumn->addStretch();
    row->addWidget(leftBar);

    view_ = new CVtView(prompt_, std::move(device));
    view_->state().findNotesAfterTake = profile_.readString(kSettingsSection, kFindNotesEntry, "1") != "0";
    row->addWidget(view_, 1);
    panel_ = new ControlPanel;
    row->addWidget(panel_);
    setCentralWidget(centre);

    buildActions();
    buildMenus();
    buildToolBar();
    buildStatusBar();
    updateRecentFiles();

    connect(view_, &CVtView::settingShown, panel_, &ControlPanel::showSetting);
    connect(view_, &CVtView::transportShown, panel_, &ControlPanel::showTransportState);
    connect(view_, &CVtView::readoutsShown, panel_, &ControlPanel::showReadouts);
    connect(view_, &CVtView::commandsMayHaveChanged, this, [this] {
        // Many changes come in one burst: refresh once, when the burst is over.
        if (refreshPending_) return;
        refreshPending_ = true;
        QTimer::singleShot(0, this, [this] { refreshCommands(); });
    });
    connect(panel_, &ControlPanel::settingChosen, this, [this](Setting s, int value) {
        view_->chooseSetting(s, value);
        view_->setFocus();  // the keys edit the notes again
    });
    connect(panel_, &ControlPanel::buttonClicked, this, [this](int id) { runCommand(id); });
    connect(view_, &CVtView::volumeControlChosen, this, [this](const QString& path, const QString& title) {
        panel_->setVolumeControlName(title);
        profile_.writeString(kSettingsSection, kVolumeControlEntry, path.toStdString());
    });
    connect(&view_->volumeControlDialog(), &CVolumeControlDlg::helpRequested, this,
            [this] { openUserGuide(kLevelSetupSection); });
    view_->state().projectFileUsed = [this](const std::string& path) {
        profile_.addRecentFile(path);
        updateRecentFiles();
    };
    view_->setFocus();
    refreshCommands();
}

CMainFrame::~CMainFrame() { view_->state().projectFileUsed = nullptr; }

void CMainFrame::buildActions() {
    for (const CommandText& t : commandTexts()) {
        auto* a = new QAction(QString::fromUtf8(t.text), this);
        a->setObjectName(QString("command%1").arg(t.id));
        a->setProperty("commandId", t.id);
        QList<QKeySequence> keys;
        for (const char* k : t.keys)
            if (k) keys << QKeySequence(QString::fromLatin1(k), QKeySequence::PortableText);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setStatusTip(statusPart(t.prompt));
        if (const QString tip = tipPart(t.prompt); !tip.isEmpty()) a->setToolTip(tip);
        const int id = t.id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        actions_[id] = a;
        // Actions without a menu item still take their keys in the whole window.
        if (!*t.text) addAction(a);
    }
    for (int i = 0; i < kRecentFileCount; ++i) {
        auto* a = new QAction(this);
        const int id = kCmdRecentFile1 + i;
        a->setObjectName(QString("command%1").arg(id));
        a->setProperty("commandId", id);
        a->setStatusTip("Open this project");
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        actions_[id] = a;
    }
    actions_.at(kCmdScrub)->setCheckable(true);
    actions_.at(kCmdFindNotesAfterTake)->setCheckable(true);
    actions_.at(kCmdViewToolbar)->setCheckable(true);
    actions_.at(kCmdViewStatusBar)->setCheckable(true);
}

void CMainFrame::buildMenus() {
    for (const MenuLayout& m : menuLayout()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::refreshCommands);
        for (int id : m.ids) {
            if (id == kSeparator) {
                menu->addSeparator();
            } else if (id == kCmdRecentFile1) {
                for (int i = 0; i < kRecentFileCount; ++i) menu->addAction(actions_.at(id + i));
            } else {
                menu->addAction(actions_.at(id));
            }
        }
    }
}

void CMainFrame::buildToolBar() {
    toolBar_ = addToolBar("Standard");
    toolBar_->setObjectName("toolBar");
    toolBar_->setIconSize(QSize(pictures::kToolbarImageWidth, pictures::kToolbarImageHeight));
    toolBar_->setMovable(true);  // the gripper
    int image = 0;
    for (int id : toolbarLayout()) {
        if (id == kSeparator) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* a = actions_.at(id);
        a->setIcon(QIcon(QPixmap::fromImage(
            pictures::toolbarImage(static_cast<pictures::ToolbarImage>(image++)))));
        toolBar_->addAction(a);
    }
    connect(toolBar_, &QToolBar::visibilityChanged, this, &CMainFrame::refreshCommands);
}

void CMainFrame::buildStatusBar() {
    messagePane_ = new QLabel(kReady);
    messagePane_->setObjectName("messagePane");
    statusBar()->addWidget(messagePane_, 1);
    for (const char* name : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(name);
        indicator->setObjectName(QString("indicator") + name);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance("SCRL") + 8);
        statusBar()->addPermanentWidget(indicator);
        indicators_[name] = indicator;
    }
    updateLockIndicators();
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CMainFrame::updateLockIndicators);
    poll->start(500);
}

void CMainFrame::updateLockIndicators() {
    // Shown greyed while the lock is off.
    indicators_.at("CAP")->setEnabled(lockLightOn("capslock"));
    indicators_.at("NUM")->setEnabled(lockLightOn("numlock"));
    indicators_.at("SCRL")->setEnabled(lockLightOn("scrolllock"));
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        messagePane_->setText(tip.isEmpty() ? QString(kReady) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    ViewState& state = view_->state();
    if (state.transportState == kRecording || state.transportState == kPlaying) state.stop();
    if (state.transportState == kIdle && state.frameCount() > 1) {
        const PromptAnswer a = prompt_.message(kSaveBeforeQuit, "EXIT", PromptIcon::Question,
                                               PromptButtons::YesNoCancel);
        if (a == PromptAnswer::Cancel || (a == PromptAnswer::Yes && !saveProject(state))) {
            event->ignore();
            refreshCommands();
            return;
        }
    }
    event->accept();
}

QAction* CMainFrame::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::refreshCommands() {
    refreshPending_ = false;
    const ViewState& state = view_->state();
    for (const auto& [id, a] : actions_) {
        if (id == kCmdExit) continue;
        if (id == kCmdViewToolbar) {
            a->setChecked(toolBar_ && toolBar_->isVisible());
        } else if (id == kCmdViewStatusBar) {
            a->setChecked(statusBar()->isVisible());
        } else if (id >= kCmdRecentFile1 && id < kCmdRecentFile1 + kRecentFileCount) {
            a->setEnabled(commandEnabled(state, id) && !a->data().toString().isEmpty());
        } else {
            a->setEnabled(commandEnabled(state, id));
            if (a->isCheckable()) a->setChecked(commandChecked(state, id));
        }
    }
}

void CMainFrame::runCommand(int id) {
    // Help, About, the web pages and the recent projects follow their flags like the view's
    // commands; Exit and the View toggles are always there.
    CommandFlag flag;
    if (governingFlag(id, flag) && !commandEnabled(view_->state(), id)) return;
    switch (id) {
    case kCmdExit: close(); break;
    case kCmdViewToolbar: toolBar_->setVisible(!toolBar_->isVisible()); break;
    case kCmdViewStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); break;
    case kCmdHelp: openUserGuide(); break;
    case kCmdAbout: {
        CAboutDlg about(this);
        about.exec();
        break;
    }
    case kCmdUserBoard: openWebPage(kUserBoardAddress); break;
    case kCmdCheckUpdate: openWebPage(kCheckUpdateAddress); break;
    case kCmdFindNotesAfterTake:
        view_->runCommand(id);
        profile_.writeString(kSettingsSection, kFindNotesEntry, view_->state().findNotesAfterTake ? "1" : "0");
        break;
    default:
        if (id >= kCmdRecentFile1 && id < kCmdRecentFile1 + kRecentFileCount)
            openRecentFile(id - kCmdRecentFile1);
        else
            view_->runCommand(id);
        break;
    }
    refreshCommands();
}

void CMainFrame::openUserGuide(const QString& section) {
    const std::string path =
        userGuidePath(installDirectory_, QCoreApplication::applicationDirPath().toStdString(),
                      [](const std::string& p) { return QFileInfo::exists(QString::fromStdString(p)); });
    const QString file = QString::fromStdString(path);
    QUrl url = QUrl::fromLocalFile(file);
    if (!section.isEmpty()) url.setFragment(section);
    if (!QFileInfo::exists(file) || !QDesktopServices::openUrl(url))
        prompt_.error("Cannot open the user guide " + path + ".", PromptIcon::Exclamation);
}

void CMainFrame::openWebPage(const char* address) {
    if (!QDesktopServices::openUrl(QUrl(QString::fromLatin1(address))))
        prompt_.error(std::string("Cannot open the web page ") + address + ".", PromptIcon::Exclamation);
}

void CMainFrame::openRecentFile(int index) {
    const std::string path = action(kCmdRecentFile1 + index)->data().toString().toStdString();
    if (!path.empty()) openProjectFile(view_->state(), path);
}

void CMainFrame::updateRecentFiles() {
    const std::vector<std::string> files = profile_.recentFiles();
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* a = actions_.at(kCmdRecentFile1 + i);
        const bool listed = i < static_cast<int>(files.size());
        const QString path = listed ? QString::fromStdString(files[i]) : QString();
        a->setData(path);
        // An empty list still shows where the projects will appear, greyed.
        a->setText(listed ? QString("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName())
                          : QString("Recent File"));
        a->setVisible(listed || i == 0);
        a->setStatusTip(listed ? path : QString());
    }
    refreshCommands();
}

}  // namespace hummwell
