// The level set-up dialog through its real widgets, offscreen, on the software microphone:
// first at start-up and modal, deaf to close and Escape, the library's gate and the view's
// thresholds from "Save and Apply", the file and its messages, Change, Help and the meters.
#include "editor/CVolumeControlDlg.h"

#include "editor/Commands.h"
#include "editor/ControlPanel.h"
#include "support/GuiShell.h"
#include "tonik.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

using namespace hummwell;
using guitest::buttonNamed;
using guitest::Shell;

namespace {

// A 64-byte file with one field out of its range, or a wrong length.
std::string writeFile(const std::string& path, VolumeSettings s, int extraBytes = 0) {
    EXPECT_TRUE(saveVolumeFile(path, s));
    if (extraBytes) {
        std::FILE* f = std::fopen(path.c_str(), "ab");
        std::fputc(0, f);
        std::fclose(f);
    }
    return path;
}

int pushedBlocksWithSound(double amplitude) {
    static int voiced = 0;
    voiced = 0;
    tonik_start_file(nullptr, [](const FrameResult* r) {
        voiced += r->noteState != -1;
        return 1;
    });
    std::vector<int16_t> samples(512 * 4);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(std::lround(amplitude * 32767 * std::sin(0.05 * i)));
    tonik_send(samples.data(), static_cast<int>(samples.size()), 0);
    tonik_stop_file();
    return voiced;
}

}  // namespace

class GuideCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

TEST(VolumeControlDialog, OpensFirstAtStartUpOverABlockedWindowAndOnlySaveAndApplyClosesIt) {
    Shell s;
    bool checked = false;
    s.levelSetup.calibrationBlocks = 15;
    s.levelSetup.inspect = [&](CVolumeControlDlg& d) {
        checked = true;
        EXPECT_EQ(d.windowTitle(), "Volume Control File Dialog");
        EXPECT_TRUE(d.isModal());
        CMainFrame& frame = s.frame();
        EXPECT_TRUE(frame.isVisible());  // the window is there, under the dialog
        EXPECT_EQ(s.app.splash(), nullptr);
        // A click on Record reaches nothing while the dialog is up.
        QWidget* record = frame.toolBar().widgetForAction(&s.action(kCmdRecord));
        ASSERT_NE(record, nullptr);
        QTest::mouseClick(frame.windowHandle(), Qt::LeftButton, {},
                          record->mapTo(&frame, record->rect().center()));
        QTest::keyClick(frame.windowHandle(), Qt::Key_R, Qt::ControlModifier);
        EXPECT_NE(s.state().transportState, kRecording);
        // No Cancel: Escape and the close box leave it open.
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(d.close());
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(d.monitor().running());
    };
    ASSERT_TRUE(s.start());
    EXPECT_TRUE(checked);
    EXPECT_EQ(s.levelSetup.answered, 1);
    EXPECT_FALSE(s.frame().view().volumeControlDialog().isVisible());
    EXPECT_FALSE(s.frame().view().volumeControlDialog().monitor().running());
}

TEST(VolumeControlDialog, SaveAndApplyWritesTheFileSetsTheGateAndNamesTheFileInThePanel) {
    Shell s;
    s.levelSetup.calibrationBlocks = 20;
    ASSERT_TRUE(s.start());
    EXPECT_EQ(std::filesystem::file_size(s.volumeFile()), 64u);
    VolumeSettings saved;
    ASSERT_TRUE(loadVolumeFile(s.volumeFile(), saved, s.prompt));
    // The software microphone is digital silence: the floor at the bottom of the scale.
    EXPECT_EQ(saved.floorLevel, -200.0);
    const LevelThresholds d = deriveLevels(saved);
    EXPECT_EQ(s.state().levels.noiseLevel, d.noiseLevel);
    EXPECT_EQ(s.state().levels.levelSpan, d.levelSpan);
    EXPECT_EQ(s.state().levels.onsetLevel, d.onsetLevel);
    EXPECT_EQ(qobject_cast<QLabel*>(s.frame().panel().control(kPanelVolumeControl))->text(),
              "default.hvc");
    EXPECT_EQ(s.profile.readString("Settings", "VCF"), s.volumeFile());
    // The library gates at -175 now: a whisper at -138 dB is heard, as it was not at the
    // gate the library starts with.
    EXPECT_EQ(pushedBlocksWithSound(0.001), 4);
}

TEST(VolumeControlDialog, ControlsCarryTheirNamesRangesAndTheirEffect) {
    Shell s;
    s.levelSetup.calibrationBlocks = 20;
    s.levelSetup.inspect = [&](CVolumeControlDlg& d) {
        const char* names[] = {"Recording Gain", "Noise Level", "Maximum Level", "Pitch Detection Level"};
        const int ranges[4][4] = {{0, 255, 1, 16}, {0, 100, 1, 10}, {0, 100, 1, 10}, {-80, -20, 1, 5}};
        for (int i = 0; i < 4; ++i) {
            const QSlider* slider = d.slider(static_cast<LevelSlider>(i));
            EXPECT_EQ(slider->accessibleName(), names[i]);
            EXPECT_EQ(slider->minimum(), ranges[i][0]);
            EXPECT_EQ(slider->maximum(), ranges[i][1]);
            EXPECT_EQ(slider->singleStep(), ranges[i][2]);
            EXPECT_EQ(slider->pageStep(), ranges[i][3]);
        }
        EXPECT_EQ(d.slider(LevelSlider::Gain)->value(), 128);
        EXPECT_EQ(d.slider(LevelSlider::Pitch)->value(), -50);
        for (const char* text : {"Open", "Save as", "Save and Apply", "Help"}) {
            const QPushButton* b = buttonNamed(d, text);
            ASSERT_NE(b, nullptr) << text;
            EXPECT_EQ(b->accessibleName(), text);
        }
        QCheckBox* boost = d.findChild<QCheckBox*>();
        ASSERT_NE(boost, nullptr);
        EXPECT_EQ(boost->accessibleName(), "Boost up recording gain");
        EXPECT_EQ(d.findChild<QLineEdit*>("volumeFileTitle")->text(), "default.hvc");

        // The live meter: blocks keep arriving and the timer shows them.
        const int before = d.shown().calibrationCount;
        QTest::qWait(120);
        EXPECT_GT(d.shown().calibrationCount, before);
        EXPECT_EQ(levelScale(d.shown(), kLevelDisplayWidth).xLevel, 21);  // silence

        // A step of the gain slider reaches the settings and restarts calibration; the
        // noise slider moves the gate without a restart.
        QTest::keyClick(d.slider(LevelSlider::Gain), Qt::Key_Right);
        EXPECT_EQ(d.monitor().readings().settings.recordingGain, 129);
        EXPECT_LT(d.monitor().readings().calibrationCount, 5);
        QTest::qWait(300);
        const int counted = d.monitor().readings().calibrationCount;
        QTest::keyClick(d.slider(LevelSlider::Noise), Qt::Key_PageUp);
        EXPECT_EQ(d.monitor().readings().settings.noiseSetting, 60);
        EXPECT_GE(d.monitor().readings().calibrationCount, counted);
        boost->click();
        EXPECT_EQ(d.monitor().readings().settings.gainBoost, 1);
    };
    ASSERT_TRUE(s.start());
    VolumeSettings saved;
    ASSERT_TRUE(loadVolumeFile(s.volumeFile(), saved, s.prompt));
    EXPECT_EQ(saved.recordingGain, 129);
    EXPECT_EQ(saved.noiseSetting, 60);
    EXPECT_EQ(saved.gainBoost, 1);
    EXPECT_EQ(s.state().levels.noiseLevel, -200.0 + 30);
}

TEST(VolumeControlDialog, OpenShowsEachLoadMessageInFileOrderAndAsksAgain) {
    Shell s;
    const std::string dir = s.folder.path;
    VolumeSettings good;
    good.recordingGain = 77;
    good.noiseSetting = 20;
    good.floorLevel = -90.0;
    std::vector<std::string> files;
    const auto bad = [&](const char* name, auto spoil, int extra = 0) {
        VolumeSettings v = good;
        spoil(v);
        files.push_back(writeFile(dir + "/" + name, v, extra));
    };
    bad("long.hvc", [](VolumeSettings&) {}, 1);
    bad("gain.hvc", [](VolumeSettings& v) { v.recordingGain = 256; });
    bad("noise.hvc", [](VolumeSettings& v) { v.noiseSetting = 101; });
    bad("maximum.hvc", [](VolumeSettings& v) { v.maximumSetting = -1; });
    bad("peak.hvc", [](VolumeSettings& v) { v.pitchSetting = -19; });
    bad("minimum.hvc", [](VolumeSettings& v) { v.floorLevel = -49.9; });
    files.push_back(writeFile(dir + "/good.hvc", good));

    s.levelSetup.inspect = [&](CVolumeControlDlg& d) {
        for (const std::string& f : files) s.prompt.files.push_back(f);
        QTest::mouseClick(buttonNamed(d, "Open"), Qt::LeftButton);
        EXPECT_EQ(d.findChild<QLineEdit*>("volumeFileTitle")->text(), "good.hvc");
        EXPECT_EQ(d.slider(LevelSlider::Gain)->value(), 77);
        EXPECT_EQ(d.monitor().readings().calibrationCount, 0);  // measured again
        EXPECT_TRUE(d.monitor().running());
    };
    ASSERT_TRUE(s.start());
    const std::string kInvalid = "Invalid Hummwell Volume Control file";
    std::vector<std::string> expected = {kInvalid, kInvalid + " (volume)", kInvalid + " (noise)",
                                         kInvalid + " (maximum)", kInvalid + " (peak)",
                                         kInvalid + " (minimum)"};
    std::vector<std::string> shown;
    for (const std::string& t : s.prompt.texts())
        if (t.rfind("NOTE:", 0) != 0) shown.push_back(t);  // not the library's note
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(s.prompt.openChoices.size(), 7u);
    EXPECT_EQ(s.prompt.openChoices[0].filter, "Hummwell Volume Control Files (*.hvc)|*.hvc|");
    EXPECT_EQ(s.profile.readString("Settings", "VCF"), dir + "/good.hvc");
    EXPECT_EQ(qobject_cast<QLabel*>(s.frame().panel().control(kPanelVolumeControl))->text(),
              "good.hvc");
}

TEST(VolumeControlDialog, ChangeOpensItAgainButNotWhileRecordingOrPlaying) {
    Shell s;
    ASSERT_TRUE(s.start());
    ASSERT_EQ(s.levelSetup.answered, 1);
    auto* change = qobject_cast<QPushButton*>(s.frame().panel().control(kPanelChange));
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(change->accessibleName(), "Change");
    QTest::mouseClick(change, Qt::LeftButton);
    EXPECT_EQ(s.levelSetup.answered, 2);

    for (TransportState busy : {kRecording, kPlaying}) {
        s.state().transportState = busy;
        s.frame().view().showTransportState(busy);
        s.frame().refreshCommands();
        EXPECT_FALSE(change->isEnabled());
        s.frame().runCommand(kCmdPanelChange);
        EXPECT_FALSE(s.frame().view().runCommand(kCmdPanelChange));
        EXPECT_EQ(s.levelSetup.answered, 2);
    }
    s.state().transportState = kEmptyProject;
}

TEST(VolumeControlDialog, HelpOpensTheGuideAtTheLevelSetUp) {
    Shell s;
    const QString programDir = QFileInfo(HUMMWELL_PROGRAM).absolutePath();
    s.profile.writeString("", "InstallDir", programDir.toStdString() + "/");
    GuideCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    s.levelSetup.inspect = [&](CVolumeControlDlg& d) {
        QTest::mouseClick(buttonNamed(d, "Help"), Qt::LeftButton);
    };
    ASSERT_TRUE(s.start());
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0].fileName(), "hummwell.html");
    EXPECT_EQ(catcher.opened[0].fragment(), "level-setup");
}

TEST(StartUp, TheSplashNeverCoversAMessage) {
    Shell s;
    ASSERT_TRUE(s.start());
    s.app.showSplash();
    ASSERT_NE(s.app.splash(), nullptr);
    QMessageBox box(QMessageBox::Information, "Tonikit", "A message", QMessageBox::Ok, &s.frame());
    box.show();
    EXPECT_EQ(s.app.splash(), nullptr);
}

#include "VolumeControlDlgGuiTest.moc"
