// The main window offscreen: its size and caption, the toolbar, every menu command's id, text
// and keys, the control panel's lists, the command enabling in each transport state, and the
// start-up of the view.
#include "shell/CMainFrame.h"

#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"
#include "view/CVtView.h"
#include "editor/Commands.h"
#include "editor/ControlPanel.h"
#include "shell/CVtApp.h"
#include "shell/Profile.h"
#include "shell/QtProfile.h"
#include "shell/CStartupSplash.h"
#include "support/AppDoubles.h"
#include "support/GuiShell.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>

using namespace hummwell;

namespace {

// The shared shell, with the helpers these tests use on it.
struct Shell : guitest::Shell {
    // A track of onsets ('1'), continuations ('0') and rests ('.'), idle.
    void setTrack(const std::string& pattern) {
        FrameTrack& t = state().track;
        t.clear();
        for (const char c : pattern)
            t.append(c == '.' ? Frame{} : Frame{60.0, 0, 64.0, c == '1' ? kMarkOnset : kMarkContinue, 0});
        state().transportState = kIdle;
        state().cursorFrame = 0;
        frame().refreshCommands();
    }
    void showState(TransportState s) {
        state().transportState = s;
        frame().view().showTransportState(s);
        frame().refreshCommands();
    }
    QComboBox& list(int id) { return *qobject_cast<QComboBox*>(frame().panel().control(id)); }
};

QStringList entries(const QComboBox& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.itemText(i);
    return out;
}

// A project of `pattern` frames written as the program writes it.
std::string writeProject(const std::string& dir, const std::string& pattern) {
    appdoubles::ViewFixture f;
    ViewState v(f.prompt, f.surface, f.output, f.input);
    v.track.clear();
    for (const char c : pattern)
        v.track.append(c == '.' ? Frame{} : Frame{62.0, 0, 70.0, c == '1' ? kMarkOnset : kMarkContinue, 0});
    const std::string path = dir + "/take.hwp";
    EXPECT_TRUE(writeProjectFile(v, path));
    return path;
}

bool becomesActive(QWidget& window) {
    for (int i = 0; i < 200 && QApplication::activeWindow() != &window; ++i) QTest::qWait(5);
    return QApplication::activeWindow() == &window;
}

using guitest::onNextModal;

}  // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

TEST(MainFrame, OpensAt800By667CaptionedHummwellPlusWithTheHeightHeld) {
    Shell s;
    ASSERT_TRUE(s.start({}));
    CMainFrame& f = s.frame();
    EXPECT_EQ(f.size(), QSize(800, 667));
    EXPECT_EQ(f.windowTitle(), "Hummwell plus");
    f.resize(1000, 900);
    EXPECT_EQ(f.size(), QSize(1000, 667));
    f.resize(300, 400);
    EXPECT_EQ(f.size(), QSize(500, 667));
    EXPECT_EQ(f.maximumHeight(), 667);

    // Opening a project never puts its name in the caption.
    testsignals::TempFolder dir;
    s.prompt.files.push_back(writeProject(dir.path, "1000."));
    s.action(kCmdOpenProject).trigger();
    EXPECT_EQ(s.state().frameCount(), 5);
    EXPECT_EQ(f.windowTitle(), "Hummwell plus");
}

TEST(MainFrame, ToolbarHas29ButtonsInGroupsWithTheirIcons) {
    Shell s;
    ASSERT_TRUE(s.start({}));
    std::vector<int> ids;
    int buttons = 0;
    for (QAction* a : s.frame().toolBar().actions()) {
        ids.push_back(a->isSeparator() ? 0 : a->property("commandId").toInt());
        if (!a->isSeparator()) {
            ++buttons;
            EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();
        }
    }
    EXPECT_EQ(buttons, 29);
    EXPECT_EQ(ids, (std::vector<int>{57600, 57601, 57603, 32784, 0,                       // project
                                     32771, 32773, 32772, 32783, 0,                       // transport
                                     32786, 32787, 32809, 32808, 32815, 32814, 0,         // cursor
                                     57635, 57634, 57637, 57632, 0,                       // clip
                                     32790, 32791, 0,                                     // merge, split
                                     32792, 32793, 32794, 32795, 32796, 32797, 0,         // pitch, move
                                     32816, 32817, 0,                                     // volume
                                     57670}));
    EXPECT_EQ(s.action(kCmdMerge).toolTip(), "Merge");
    EXPECT_EQ(s.action(kCmdMerge).statusTip(), "Merge left & right notes at Current-Position");
}

TEST(MainFrame, EveryMenuCommandHasItsIdTextAndKeys) {
    struct Item {
        int id;
        const char* text;
        QStringList keys;
    };
    const std::vector<std::pair<QString, std::vector<Item>>> expected = {
        {"&File",
         {{57600, "&New Project", {"Ctrl+N"}}, {57601, "&Open Project...", {"Ctrl+O"}},
          {57603, "&Save Project...", {"Ctrl+S"}}, {32784, "&Export to MIDI...", {"Ctrl+E"}},
          {57616, "Recent File", {}}, {57665, "E&xit", {}}}},
        {"&Edit",
         {{57643, "&Undo", {"Ctrl+Z", "Alt+Backspace"}}, {57644, "&Redo", {"Ctrl+Y", "Ctrl+Shift+Z"}},
          {57635, "Cu&t", {"Ctrl+X", "Shift+Del"}}, {57634, "&Copy", {"Ctrl+C", "Ctrl+Ins"}},
          {57637, "&Paste", {"Ctrl+V", "Shift+Ins"}}, {57632, "&Delete", {"Del", "Backspace"}},
          {57642, "Select &All", {"Ctrl+A"}}, {32789, "&Unselect", {"Esc"}},
          {32840, "&Find Notes", {"Ctrl+F"}}, {32841, "Find Notes After Each &Take", {}},
          {32842, "Tune to the Sin&ger...", {}},
          {32790, "&Merge", {"Ctrl+G"}}, {32791, "&Split", {"Ctrl+U"}},
          {32792, "Pitch+1.0", {"PgUp"}}, {32793, "Pitch-1.0", {"PgDown"}},
          {32794, "Pitch+0.1", {"Up"}}, {32795, "Pitch-0.1", {"Down"}},
          {32796, "Move &left", {}}, {32797, "Move &right", {}},
          {32816, "&Volume Up", {"Ctrl+Up"}}, {32817, "V&olume Down", {"Ctrl+Down"}}}},
        {"&Sound",
         {{32771, "&Record", {"Ctrl+R"}}, {32773, "S&top", {"Ctrl+T"}}, {32772, "&Play", {"Ctrl+P"}},
          {32783, "Scru&b", {"Ctrl+B"}}}},
        {"&Goto",
         {{32786, "Goto &First", {"Home"}}, {32787, "Goto &Last", {"End"}},
          {32809, "Pre&v Beat", {"Shift+Tab"}}, {32808, "Ne&xt Beat", {"Tab"}},
          {32815, "&Prev Note", {"Ctrl+Left"}}, {32814, "&Next Note", {"Ctrl+Right"}}}},
        {"&View", {{59392, "&Toolbar", {}}, {59393, "&Status Bar", {}}}},
        {"&Help",
         {{57670, "&Help Topics", {"F1"}}, {32799, "Online User's Board...", {}},
          {32798, "Check Update...", {}}, {57664, "&About Hummwell plus...", {}}}},
    };
    Shell s;
    ASSERT_TRUE(s.start({}));
    const QList<QAction*> menus = s.frame().menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(menus[m]->text(), expected[m].first);
        std::vector<const QAction*> items;
        for (const QAction* a : menus[m]->menu()->actions())
            if (!a->isSeparator() && a->isVisible()) items.push_back(a);
        ASSERT_EQ(items.size(), expected[m].second.size()) << expected[m].first.toStdString();
        for (size_t i = 0; i < items.size(); ++i) {
            const Item& want = expected[m].second[i];
            EXPECT_EQ(items[i]->property("commandId").toInt(), want.id);
            EXPECT_EQ(items[i]->text(), want.text);
            QStringList keys;
            for (const QKeySequence& k : items[i]->shortcuts()) keys << k.toString(QKeySequence::PortableText);
            EXPECT_EQ(keys, want.keys) << want.text;
        }
    }
    // The commands that have keys but no menu item.
    const std::vector<Item> keyOnly = {{32812, "", {"Left"}}, {32813, "", {"Right"}},
                                       {32774, "", {"Space"}}};
    for (const Item& want : keyOnly) {
        QStringList keys;
        for (const QKeySequence& k : s.action(want.id).shortcuts()) keys << k.toString(QKeySequence::PortableText);
        EXPECT_EQ(keys, want.keys) << want.id;
        EXPECT_TRUE(s.frame().actions().contains(&s.action(want.id))) << want.id;
    }
}

TEST(MainFrame, KeysReachTheCommandsInTheCore) {
    Shell s;
    ASSERT_TRUE(s.start({}));
    s.frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&s.frame()));
    QApplication::setActiveWindow(&s.frame());
    s.frame().view().setFocus();
    // 4/4 at 120 bpm: a beat is 43.07 frames, so the second beat starts at frame 44.
    s.setTrack("1" + std::string(98, '0') + ".");
    QWidget* view = &s.frame().view();

    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(s.state().cursorFrame, 44);
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(s.state().cursorFrame, 45);
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(s.state().cursorFrame, 44);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(s.state().cursorFrame, 99);
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(s.state().selection.rangeSelected);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(s.state().selection.rangeSelected);
    QTest::keyClick(view, Qt::Key_Home);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(s.state().transportState, kPlaying);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(s.state().transportState, kIdle);
}

TEST(MainFrame, CommandFlagsFollowTheTransportInMenusToolbarAndPanel) {
    Shell s;
    ASSERT_TRUE(s.start({}));
    s.setTrack("10000.");
    struct Row {
        TransportState state;
        bool edit, file, play, stop;
    };
    // One command of each flag and the window-only ones that share them.
    const std::vector<int> editIds = {57600, 57603, 32784, 57642, 32812, 32813};
    const std::vector<int> fileIds = {57601, 32771, 57670, 32799, 32798, 57664};
    const std::vector<int> playIds = {32772, 32786, 32787, 32808, 32809, 32814, 32815, 32783};
    for (const Row& r : {Row{kIdle, 1, 1, 1, 0}, Row{kRecording, 0, 0, 0, 1},
                         Row{kPlaying, 0, 0, 0, 1}, Row{kEmptyProject, 0, 1, 0, 0}}) {
        s.showState(r.state);
        for (int id : editIds) EXPECT_EQ(s.action(id).isEnabled(), r.edit) << id << " in " << r.state;
        for (int id : fileIds) EXPECT_EQ(s.action(id).isEnabled(), r.file) << id << " in " << r.state;
        for (int id : playIds) EXPECT_EQ(s.action(id).isEnabled(), r.play) << id << " in " << r.state;
        EXPECT_EQ(s.action(kCmdStop).isEnabled(), r.stop) << r.state;

        ControlPanel& panel = s.frame().panel();
        const bool stopped = r.state == kIdle || r.state == kEmptyProject;
        for (int id : {1019, 1020, 1021, 1022, 1023, 1032, 1033, 1035})
            EXPECT_EQ(panel.control(id)->isEnabled(), stopped) << id << " in " << r.state;
        for (int id : {1025, 1034, 1037, 1038}) EXPECT_TRUE(panel.control(id)->isEnabled()) << id;
        EXPECT_EQ(panel.control(1028)->isEnabled(), r.file);
        EXPECT_EQ(panel.control(1027)->isEnabled(), r.file);
        EXPECT_EQ(qobject_cast<QLabel*>(panel.control(1024))->text().toStdString(),
                  (std::array<const char*, 4>{"Editable MIDI Sound", "Record MIDI Sound",
                                              "Play MIDI Sound", "New Project"}[r.state]));
    }
    s.showState(kIdle);

    // The edit commands' own conditions, after the selection and the clip change.
    EXPECT_FALSE(s.action(kCmdCut).isEnabled());
    EXPECT_FALSE(s.action(kCmdPaste).isEnabled());
    EXPECT_FALSE(s.action(kCmdUnselect).isEnabled());
    s.action(kCmdSelectAll).trigger();
    EXPECT_TRUE(s.action(kCmdCut).isEnabled());
    EXPECT_TRUE(s.action(kCmdPitchUp).isEnabled());
    s.action(kCmdCopy).trigger();
    EXPECT_TRUE(s.action(kCmdPaste).isEnabled());
    s.action(kCmdUnselect).trigger();
    EXPECT_FALSE(s.action(kCmdPaste).isEnabled());
    EXPECT_FALSE(s.action(kCmdUnselect).isEnabled());
    // Split needs the cursor inside a note; a cursor move refreshes it.
    EXPECT_FALSE(s.action(kCmdSplit).isEnabled());
    s.action(kCmdRightKey).trigger();
    s.action(kCmdRightKey).trigger();
    EXPECT_TRUE(s.action(kCmdSplit).isEnabled());
    s.action(kCmdScrub).trigger();
    EXPECT_TRUE(s.action(kCmdScrub).isChecked());
}

// Record and Stop from the window run the engine: blocks arrive on its capture thread and
// the window follows the transport without touching the track from the GUI thread.
TEST(MainFrame, RecordAndStopRunTheEngineFromTheWindow) {
    Shell s;
    ASSERT_TRUE(s.start({}));
    // The count-in is trunc(-beatMs / 2) frames: 125 at 240 bpm, 1.45 s of live blocks.
    s.frame().view().chooseSetting(Setting::Speed, 4);
    s.action(kCmdRecord).trigger();
    ASSERT_EQ(s.state().transportState, kRecording);
    EXPECT_FALSE(s.frame().panel().control(kPanelSpeed)->isEnabled());
    EXPECT_TRUE(s.action(kCmdStop).isEnabled());
    EXPECT_FALSE(s.action(kCmdOpenProject).isEnabled());
    QTest::qWait(1900);  // about 38 recorded frames after the count-in
    s.action(kCmdStop).trigger();
    EXPECT_NE(s.state().transportState, kRecording);
    EXPECT_GT(s.state().frameCount(), 5);
    QTest::qWait(20);  // what the capture thread queued is drawn; nothing arrives any more
    const int frames = s.state().frameCount();
    QTest::qWait(50);
    EXPECT_EQ(s.state().frameCount(), frames);
    EXPECT_TRUE(s.frame().panel().control(kPanelSpeed)->isEnabled());
}

TEST(ControlPanel, ListsHoldTheirEntriesAndStartOnTheDefaults) {
    Shell s;
    ASSERT_TRUE(s.start({}));
    EXPECT_EQ(entries(s.list(1019)), (QStringList{"60 bpm", "90 bpm", "120 bpm", "180 bpm", "240 bpm"}));
    EXPECT_EQ(entries(s.list(1020)), (QStringList{"2 / 4", "3 / 4", "4 / 4", "6 / 8"}));
    const QStringList keys = entries(s.list(1021));
    QStringList sorted = keys;
    sorted.sort();
    EXPECT_EQ(keys, sorted);
    EXPECT_EQ(keys.size(), 12);
    EXPECT_EQ(keys[0], "A Major");
    EXPECT_EQ(keys[3], "C Major");
    EXPECT_TRUE(keys.contains("F# (Gb) Major"));
    EXPECT_EQ(entries(s.list(1022)), (QStringList{"Chromatic Scale", "Diatonic Scale"}));
    EXPECT_EQ(entries(s.list(1023)), (QStringList{"As Is - No Quantize", "Basic Quantizing",
                                                  "Relative Quantizing", "Note Quantizing"}));
    const QStringList ref = entries(s.list(1032));
    ASSERT_EQ(ref.size(), 201);
    EXPECT_EQ(ref[0], "+100 %");
    EXPECT_EQ(ref[1], "+099 %");
    EXPECT_EQ(ref[99], "+001 %");
    EXPECT_EQ(ref[100], " 000 %");
    EXPECT_EQ(ref[101], "-001 %");
    EXPECT_EQ(ref[200], "-100 %");
    const QStringList transpose = entries(s.list(1025));
    ASSERT_EQ(transpose.size(), 11);
    EXPECT_EQ(transpose[0], "+5 Octaves");
    EXPECT_EQ(transpose[4], "+1 Octaves");
    EXPECT_EQ(transpose[5], "No Transpose");
    EXPECT_EQ(transpose[10], "-5 Octaves");
    const QStringList channels = entries(s.list(1033));
    ASSERT_EQ(channels.size(), 16);
    EXPECT_EQ(channels[0], "MIDI Channel 1");
    EXPECT_EQ(channels[15], "MIDI Channel 16");
    EXPECT_EQ(entries(s.list(1035)), (QStringList{"to Channel Volume", "to Expression"}));

    const QStringList instruments = entries(s.list(1034));
    ASSERT_EQ(instruments.size(), 128);
    EXPECT_EQ(instruments[0], "001 Acoustic Grand Piano");
    EXPECT_EQ(instruments[127], "128 Gunshot");
    for (const char* spelled : {"005 Rhodes Piano", "006 Chorused Piano", "008 Clavinet", "017 Hammond Organ",
                                "022 Accordian", "024 Tango Accordian", "032 Guitar Harmonics",
                                "051 Synth Strings 1", "052 Synth Strings 2", "063 Synth Brass 1",
                                "064 Synth Brass 2", "077 Bottle Blow", "083 Lead 3 (caliope lead)",
                                "084 Lead 4 (chiff lead)", "088 Lead 8 (brass + lead)", "110 Bagpipe"}) {
        const int program = QString(spelled).left(3).toInt() - 1;
        EXPECT_EQ(instruments[program], spelled);
    }
    for (int i = 0; i < 128; ++i) EXPECT_TRUE(instruments[i].startsWith(QString("%1 ").arg(i + 1, 3, 10, QChar('0'))));

    // The initial selections, and the settings behind them.
    EXPECT_EQ(s.list(1019).currentText(), "120 bpm");
    EXPECT_EQ(s.list(1020).currentText(), "4 / 4");
    EXPECT_EQ(s.list(1021).currentText(), "C Major");
    EXPECT_EQ(s.list(1022).currentText(), "Chromatic Scale");
    EXPECT_EQ(s.list(1023).currentText(), "As Is - No Quantize");
    EXPECT_EQ(s.list(1032).currentIndex(), 100);
    EXPECT_EQ(s.list(1025).currentText(), "No Transpose");
    EXPECT_EQ(s.list(1033).currentText(), "MIDI Channel 1");
    EXPECT_EQ(s.list(1034).currentText(), "069 Oboe");
    EXPECT_EQ(s.list(1034).currentIndex(), 68);
    EXPECT_EQ(s.list(1035).currentText(), "to Channel Volume");
    ControlPanel& panel = s.frame().panel();
    EXPECT_TRUE(qobject_cast<QCheckBox*>(panel.control(1037))->isChecked());
    EXPECT_FALSE(qobject_cast<QCheckBox*>(panel.control(1038))->isChecked());
    EXPECT_EQ(qobject_cast<QLabel*>(panel.control(1024))->text(), "New Project");
    // The level set-up has run: the volume control field names its file.
    EXPECT_EQ(qobject_cast<QLabel*>(panel.control(1026))->text(), "default.hvc");
    for (int id : {1029, 1030, 1031}) EXPECT_TRUE(qobject_cast<QLabel*>(panel.control(id))->text().isEmpty());
    EXPECT_EQ(s.state().setting(Setting::Instrument), 68);

    // A choice in a list reaches the view's setting; a setting shown does not count as one.
    s.list(1019).activated(4);
    EXPECT_EQ(s.state().setting(Setting::Speed), 4);
    s.frame().view().showSetting(Setting::Key, 5);
    EXPECT_EQ(s.list(1021).currentIndex(), 5);
    EXPECT_EQ(s.state().setting(Setting::Key), 3);
}

TEST(MainFrame, LayoutLinesTheKeyboardsUpWithThePitchRows) {
    Shell s;
    ASSERT_TRUE(s.start({}));
    CMainFrame& f = s.frame();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const auto* left = f.findChild<QLabel*>("leftKeyboard");
    const auto* right = f.findChild<QLabel*>("panelKeyboard");
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->size(), QSize(30, 529));
    EXPECT_EQ(right->size(), QSize(20, 529));
    CVtView& view = f.view();
    const int pitchTop = view.viewport()->mapTo(&f, QPoint(0, 28 - view.verticalScrollBar()->value())).y();
    EXPECT_EQ(left->mapTo(&f, QPoint(0, 0)).y(), pitchTop);
    EXPECT_EQ(right->mapTo(&f, QPoint(0, 0)).y(), pitchTop);
    EXPECT_LT(left->mapTo(&f, QPoint(0, 0)).x(), view.mapTo(&f, QPoint(0, 0)).x());
    EXPECT_GT(right->mapTo(&f, QPoint(0, 0)).x(), view.mapTo(&f, QPoint(view.width() - 1, 0)).x());
    // The whole drawing fits: no vertical scrolling at the window's one height.
    EXPECT_GE(view.viewport()->height(), 557);
    // Everything in the panel is inside the window.
    EXPECT_LE(f.panel().mapTo(&f, QPoint(0, f.panel().height())).y(), f.statusBar()->mapTo(&f, QPoint(0, 0)).y());

    EXPECT_EQ(f.messagePane()->text(), "Ready");
    for (const char* name : {"CAP", "NUM", "SCRL"}) {
        const auto* indicator = f.findChild<QLabel*>(QString("indicator") + name);
        ASSERT_TRUE(indicator) << name;
        EXPECT_EQ(indicator->text(), name);
    }
}

TEST(StartUp, TheViewIsSetUpWithItsPicturesEngineAndMidiOutput) {
    Shell s;
    // Without a file in the profile, the level set-up keeps default.hvc in the working folder.
    s.profile.writeString("Settings", "VCF", "");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(s.folder.path);
    const bool started = s.start({});
    std::filesystem::current_path(before);
    ASSERT_TRUE(started);
    CVtView& view = s.frame().view();
    EXPECT_EQ(s.state().maxFrames, 32767);
    EXPECT_EQ(view.gridPicture().size(), QSize(32767, 557));
    EXPECT_EQ(view.trackPicture().size(), QSize(32767, 557));
    EXPECT_EQ(view.aheadPicture().size(), QSize(2000, 557));
    EXPECT_EQ(view.patternPicture().size(), QSize(31, 557));
    EXPECT_EQ(s.state().frameCount(), 1);
    EXPECT_EQ(s.state().transportState, kEmptyProject);
    EXPECT_TRUE(view.midiOutput().device().isOpen());
    // The library spoke through the program's prompt: its first start mutes the microphone.
    ASSERT_FALSE(s.prompt.messages.empty());
    EXPECT_EQ(s.prompt.messages[0].text, "NOTE: This program makes your microphone sound mute.");
    EXPECT_EQ(s.app.splash(), nullptr);  // removed once the view was ready
    EXPECT_EQ(s.app.commandLineFile(), "");
    const std::string inFolder =
        std::filesystem::canonical(s.folder.path).string() + "/default.hvc";
    EXPECT_EQ(view.volumeControlPath(), inFolder);
    EXPECT_EQ(std::filesystem::file_size(inFolder), 64u);
}

TEST(StartUp, HalvesTheTrackUntilThePicturesCanBeMade) {
    EXPECT_EQ(settleMaxFrames(32767, [](int f) { return f <= 10000; }), 8191);
    EXPECT_EQ(settleMaxFrames(32767, [](int) { return true; }), 32767);
    EXPECT_EQ(settleMaxFrames(32767, [](int) { return false; }), 0);
}

TEST(StartUp, OpensTheProjectNamedOnTheCommandLineAndReadsTheProfile) {
    testsignals::TempFolder dir;
    const std::string path = writeProject(dir.path, "100010.");
    Shell s;
    s.profile.writeString("", "InstallDir", "/opt/hummwell/");
    const std::string mic = s.folder.path + "/mic.hvc";
    s.profile.writeString("Settings", "VCF", mic);
    ASSERT_TRUE(s.start({"-style", path.c_str()}));
    EXPECT_EQ(s.app.commandLineFile(), path);
    EXPECT_EQ(s.app.installDirectory(), "/opt/hummwell/");
    EXPECT_EQ(s.frame().view().volumeControlPath(), mic);
    EXPECT_EQ(s.state().frameCount(), 7);
    EXPECT_EQ(s.state().transportState, kIdle);
    EXPECT_EQ(s.state().cursorFrame, 0);
    EXPECT_TRUE(s.frame().view().horizontalScrollBar()->isEnabled());
    EXPECT_EQ(s.frame().view().horizontalScrollBar()->maximum(), 6);
    EXPECT_TRUE(s.action(kCmdPlay).isEnabled());
}

TEST(StartUp, SplashTakesTheFirstKeyOrClickAndNothingElse) {
    Shell s;
    ASSERT_TRUE(s.start({}));
    s.frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&s.frame()));
    QApplication::setActiveWindow(&s.frame());
    s.setTrack("10000.");

    s.app.showSplash();
    ASSERT_NE(s.app.splash(), nullptr);
    QTest::keyClick(&s.frame().view(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(s.app.splash(), nullptr);
    EXPECT_FALSE(s.state().selection.rangeSelected);
    EXPECT_TRUE(becomesActive(s.frame()));  // the main window has the keyboard again
    QTest::keyClick(&s.frame().view(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(s.state().selection.rangeSelected);

    s.app.showSplash();
    ASSERT_NE(s.app.splash(), nullptr);
    QTest::mouseClick(s.frame().view().viewport(), Qt::LeftButton, {}, QPoint(10, 300));
    EXPECT_EQ(s.app.splash(), nullptr);
    EXPECT_TRUE(s.state().selection.rangeSelected);  // the click did not reach the view
}

TEST(MainFrame, ClosingOffersToSaveAProjectWithFrames) {
    testsignals::TempFolder dir;
    Shell s;
    ASSERT_TRUE(s.start({}));
    s.setTrack("1000.");
    s.prompt.answers.push_back(PromptAnswer::Cancel);
    EXPECT_FALSE(s.frame().close());
    EXPECT_EQ(s.prompt.messages.back().title, "EXIT");
    s.prompt.answers.push_back(PromptAnswer::Yes);  // and then the file dialog is cancelled
    EXPECT_FALSE(s.frame().close());
    EXPECT_TRUE(s.frame().isVisible());

    const std::string path = dir.path + "/kept.hwp";
    s.prompt.answers.push_back(PromptAnswer::Yes);
    s.prompt.files.push_back(path);
    EXPECT_TRUE(s.frame().close());
    EXPECT_TRUE(std::filesystem::exists(path));

    // A new project has nothing to lose.
    Shell empty;
    ASSERT_TRUE(empty.start({}));
    const size_t asked = empty.prompt.messages.size();
    EXPECT_TRUE(empty.frame().close());
    EXPECT_EQ(empty.prompt.messages.size(), asked);
}

TEST(MainFrame, RecentProjectsListTheLastFourOpenedOrSaved) {
    testsignals::TempFolder dir;
    const std::string first = writeProject(dir.path, "1000.");
    Shell s;
    ASSERT_TRUE(s.start({}));
    EXPECT_FALSE(s.action(kCmdRecentFile1).isEnabled());  // "Recent File", greyed
    s.prompt.files.push_back(first);
    s.action(kCmdOpenProject).trigger();
    const std::string saved = dir.path + "/copy.hwp";
    s.prompt.files.push_back(saved);
    s.action(kCmdSaveProject).trigger();
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(s.profile.recentFiles(), (std::vector<std::string>{saved, first}));
    EXPECT_EQ(s.action(kCmdRecentFile1).text(), "&1 copy.hwp");
    EXPECT_EQ(s.action(kCmdRecentFile1 + 1).text(), "&2 take.hwp");
    EXPECT_FALSE(s.action(kCmdRecentFile1 + 2).isVisible());

    // Opening a recent project asks before the track is lost, as Open Project does.
    s.state().track.reset();
    s.state().transportState = kEmptyProject;
    s.action(kCmdRecentFile1 + 1).trigger();
    EXPECT_EQ(s.state().frameCount(), 5);
    s.prompt.answers.push_back(PromptAnswer::No);
    s.action(kCmdRecentFile1).trigger();
    EXPECT_EQ(s.prompt.messages.back().title, "OPEN");
    EXPECT_EQ(s.state().frameCount(), 5);
}

TEST(MainFrame, HelpAboutAndTheWebPages) {
    Shell s;
    // The guide as the build puts it beside the program, found through the profile's folder.
    const QString programDir = QFileInfo(HUMMWELL_PROGRAM).absolutePath();
    s.profile.writeString("", "InstallDir", programDir.toStdString() + "/");
    ASSERT_TRUE(s.start({}));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    s.action(kCmdHelp).trigger();
    s.action(kCmdUserBoard).trigger();
    s.action(kCmdCheckUpdate).trigger();
    QDesktopServices::unsetUrlHandler("file");
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(catcher.opened.size(), 3);
    EXPECT_EQ(QFileInfo(catcher.opened[0].toLocalFile()).canonicalFilePath(),
              QFileInfo(programDir + "/hummwell.html").canonicalFilePath());
    EXPECT_TRUE(QFileInfo::exists(programDir + "/hummwell.html"));
    EXPECT_EQ(catcher.opened[1].path(), "/board.cgi");
    EXPECT_EQ(catcher.opened[1].query(QUrl::FullyEncoded), "BOARD=Hummwell%20plus&LANGUAGE=english");
    EXPECT_EQ(catcher.opened[2].path(), "/update.cgi");
    EXPECT_EQ(catcher.opened[2].query(QUrl::FullyEncoded), "PRODUCT=Hummwell%20plus&LANGUAGE=english&CLASS=plus&VERSION=100");

    QString title, version;
    onNextModal([&](QWidget& box) {
        title = box.windowTitle();
        if (const auto* label = box.findChild<QLabel*>("aboutVersion")) version = label->text();
    });
    s.action(kCmdAbout).trigger();
    EXPECT_EQ(title, "About Hummwell");
    EXPECT_EQ(version, "Hummwell plus 1.00");
}

TEST(QtProfile, KeepsTheProfileUnderKestranoHummwellPlus) {
    {
        QtProfile profile;
        profile.writeString("Settings", "VCF", "/home/me/mic.hvc");
        profile.writeString("", "InstallDir", "/opt/hummwell/");
        profile.addRecentFile("/home/me/song.hwp");
    }
    QSettings settings("Kestrano", "Hummwell plus");
    EXPECT_EQ(settings.value("Settings/VCF").toString(), "/home/me/mic.hvc");
    EXPECT_EQ(settings.value("InstallDir").toString(), "/opt/hummwell/");
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), "/home/me/song.hwp");
    const QtProfile again;
    EXPECT_EQ(again.readString("Settings", "VCF"), "/home/me/mic.hvc");
    EXPECT_EQ(again.readString("Settings", "Missing", "fallback"), "fallback");
}

#include "MainFrameGuiTest.moc"
