// The program's windows in process, for the widget tests: the application with a scripted
// prompt and an in-memory profile, and an answer to the level set-up dialog that opens
// modally at every start-up, pressed through its real "Save and Apply" button.
#pragma once

#include "view/CVtView.h"
#include "shell/CMainFrame.h"
#include "editor/CVolumeControlDlg.h"
#include "shell/CVtApp.h"
#include "shell/Profile.h"
#include "support/AppDoubles.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace guitest {

using namespace hummwell;

inline QPushButton* buttonNamed(QWidget& parent, const QString& text) {
    for (QPushButton* b : parent.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

// While it lives, presses "Save and Apply" in each level set-up dialog that is the active
// modal window, once the dialog has calibrated on `calibrationBlocks` blocks. `inspect` sees
// the dialog first.
class LevelSetupAnswerer {
public:
    explicit LevelSetupAnswerer(int blocks = 0) : calibrationBlocks(blocks) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { answer(); });
        poll_.start(5);
    }
    bool enabled = true;
    int calibrationBlocks;
    int answered = 0;
    std::function<void(CVolumeControlDlg&)> inspect;

private:
    void answer() {
        auto* dialog = qobject_cast<CVolumeControlDlg*>(QApplication::activeModalWidget());
        if (!enabled || !dialog || !dialog->isVisible()) return;
        if (dialog->monitor().readings().calibrationCount < calibrationBlocks) return;
        if (inspect) inspect(*dialog);
        if (QPushButton* apply = buttonNamed(*dialog, "Save and Apply")) {
            ++answered;
            QTest::mouseClick(apply, Qt::LeftButton);
        }
    }
    QTimer poll_;
};

// The application as the program makes it, with its volume control file in a folder of its
// own. start() answers the level set-up unless a test turned the answerer off.
struct Shell {
    Shell() { profile.writeString(kSettingsSection, kVolumeControlEntry, volumeFile()); }

    testsignals::TempFolder lock;
    testsignals::TempFolder folder{"hummwell-files"};
    appdoubles::ScriptedPrompt prompt;
    MemoryProfile profile;
    LevelSetupAnswerer levelSetup;
    CVtApp app{prompt, profile, lock.path};

    std::string volumeFile() const { return folder.path + "/default.hvc"; }
    bool start(const QStringList& arguments = {}) { return app.initInstance(arguments); }
    CMainFrame& frame() { return *app.mainFrame(); }
    ViewState& state() { return frame().view().state(); }
    QAction& action(int id) { return *frame().action(id); }
    // The item of a menu with this text, as a screen reader or a test driver finds it.
    QAction* menuItem(const QString& menu, const QString& text) {
        for (QAction* m : frame().menuBar()->actions())
            if (m->text() == menu)
                for (QAction* a : m->menu()->actions())
                    if (a->text() == text) return a;
        return nullptr;
    }

    // The track as an opened project leaves it: `count` frames made by `frameAt`, no evidence
    // of the engine's, the transport idle and shown so.
    void setTrack(int count, const std::function<Frame(int)>& frameAt) {
        FrameTrack& t = state().track;
        t.clear();
        for (int i = 0; i < count; ++i) t.append(frameAt(i));
        t.evidence.clear();
        state().transportState = kIdle;
        frame().view().showTransportState(kIdle);
    }
    // Frames first .. end - 1 one note at `pitch`, rests around it, `count` frames in all.
    void setOneNote(int count, int first, int end, double pitch) {
        setTrack(count, [=](int i) {
            return i >= first && i < end ? Frame{pitch, 0, 64.0, i == first ? kMarkOnset : kMarkContinue, 0}
                                         : Frame{};
        });
    }
};

// Runs `inspect` on the modal window the next call opens, then closes it.
inline void onNextModal(std::function<void(QWidget&)> inspect) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, inspect] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            inspect(*modal);
            modal->close();
        }
    });
    poll->start(5);
}

}  // namespace guitest
