// A second start while the program runs: refused with the message before any window, and
// accepted once the first program has ended, however it ended.
#include "shell/CMainFrame.h"
#include "shell/CVtApp.h"
#include "shell/Profile.h"
#include "shell/QtPrompt.h"
#include "shell/SingleInstance.h"
#include "support/GuiShell.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace hummwell;

namespace {

struct ShownBox {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList windows;  // the visible top-level windows while it showed
};

// Answers the next message box and notes what it showed.
void answerNextBox(ShownBox& shown) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, &shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll->stop();
        poll->deleteLater();
        shown.text = box->text();
        shown.title = box->windowTitle();
        shown.icon = box->icon();
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) shown.windows << w->metaObject()->className();
        box->done(QMessageBox::Ok);
    });
    poll->start(5);
}

}  // namespace

TEST(SecondInstance, RefusedWithTheMessageWhileTheFirstRunsAndAcceptedAfterItEnds) {
    const testsignals::TempFolder dir;
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.path));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.path + "/config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TONIK_CAPTURE", "silence");
    env.insert("HUMMWELL_MIDI_OUT", "none");
    first.setProcessEnvironment(env);
    first.start(HUMMWELL_PROGRAM, {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (SingleInstance::holder(dir.path) != first.processId() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(SingleInstance::holder(dir.path), first.processId());

    QtPrompt prompt;
    MemoryProfile profile;
    ShownBox shown;
    answerNextBox(shown);
    {
        CVtApp second(prompt, profile, dir.path);
        EXPECT_FALSE(second.initInstance({}));
        EXPECT_EQ(second.mainFrame(), nullptr);
    }
    EXPECT_EQ(shown.text, "FAIL executing new Hummwell because another instance is running.");
    EXPECT_EQ(shown.icon, QMessageBox::Critical);
    EXPECT_EQ(shown.title, "Hummwell plus");
    EXPECT_EQ(shown.windows, QStringList{"QMessageBox"});
    EXPECT_EQ(first.state(), QProcess::Running);  // the first instance goes on untouched

    first.kill();  // even a program that never got to clean up leaves the way free
    ASSERT_TRUE(first.waitForFinished(10000));
    ShownBox note;  // this process's first engine start mutes the microphone
    answerNextBox(note);
    guitest::LevelSetupAnswerer levelSetup;  // the level set-up opens at every start
    profile.writeString(kSettingsSection, kVolumeControlEntry, dir.path + "/default.hvc");
    CVtApp third(prompt, profile, dir.path);
    ASSERT_TRUE(third.initInstance({}));
    EXPECT_NE(third.mainFrame(), nullptr);
    EXPECT_EQ(levelSetup.answered, 1);
}
