// The metronome dialog through the window: "Tick" opens it, its lists follow the channel
// rules, OK stores the ticks and Cancel keeps them; not while a take or playback runs.
#include "editor/CMetronomeDlg.h"

#include "editor/Commands.h"
#include "editor/ControlPanel.h"
#include "support/GuiShell.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace hummwell;

namespace {

// Runs `act` on the metronome dialog once it is the active modal window.
void onMetronomeDialog(std::function<void(CMetronomeDlg&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* d = qobject_cast<CMetronomeDlg*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(*d);
        }
    });
    poll->start(5);
}

QPushButton* tickButton(guitest::Shell& s) {
    return qobject_cast<QPushButton*>(s.frame().panel().control(kPanelTick));
}

}  // namespace

TEST(MetronomeDialog, TickOpensItAndOkStoresTheChannelChosen) {
    guitest::Shell s;
    ASSERT_TRUE(s.start());
    bool seen = false;
    onMetronomeDialog([&](CMetronomeDlg& d) {
        seen = true;
        EXPECT_EQ(d.windowTitle(), "Metronome Tick Control");
        QComboBox* channel = d.list(TickSound::Beat, CMetronomeDlg::Channel);
        EXPECT_EQ(channel->accessibleName(), "Beat Tick Channel");
        EXPECT_EQ(channel->count(), 16);
        EXPECT_EQ(channel->currentText(), "Channel-10 Percussion");
        EXPECT_FALSE(d.list(TickSound::Beat, CMetronomeDlg::Instrument)->isEnabled());
        EXPECT_EQ(d.list(TickSound::Beat, CMetronomeDlg::Note)->count(), 47);
        EXPECT_EQ(d.list(TickSound::Beat, CMetronomeDlg::Note)->currentText(), "42 Closed Hi Hat");
        EXPECT_EQ(d.list(TickSound::Measure, CMetronomeDlg::Note)->currentText(), "38 Acoustic Snare");
        EXPECT_EQ(d.list(TickSound::Measure, CMetronomeDlg::Instrument)->count(), 128);
        EXPECT_EQ(d.list(TickSound::Measure, CMetronomeDlg::Velocity)->currentText(), "064");

        // The note channel is refused with its message and the list moves to "Channel-2".
        channel->setCurrentIndex(0);
        emit channel->activated(0);
        EXPECT_EQ(channel->currentText(), "Channel-2");
        EXPECT_EQ(s.prompt.messages.back().text, "Metronome channel can not be the same as MIDI out channel");
        EXPECT_TRUE(d.list(TickSound::Beat, CMetronomeDlg::Instrument)->isEnabled());
        EXPECT_EQ(d.list(TickSound::Beat, CMetronomeDlg::Note)->count(), 6);
        EXPECT_EQ(d.list(TickSound::Beat, CMetronomeDlg::Note)->currentText(), "Octave 4 Key Note");

        // A free channel is taken.
        channel->setCurrentIndex(4);
        emit channel->activated(4);
        EXPECT_EQ(channel->currentText(), "Channel-5");
        QPushButton* ok = guitest::buttonNamed(d, "OK");
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->accessibleName(), "OK");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    QTest::mouseClick(tickButton(s), Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(s.state().setting(Setting::BeatTickChannel), 4);
    EXPECT_EQ(s.state().setting(Setting::BeatTickNote), 2);
    EXPECT_EQ(s.state().setting(Setting::MeasureTickChannel), kPercussionChannel);
}

TEST(MetronomeDialog, CancelKeepsTheTicksAndATakeKeepsItShut) {
    guitest::Shell s;
    ASSERT_TRUE(s.start());
    onMetronomeDialog([&](CMetronomeDlg& d) {
        QComboBox* channel = d.list(TickSound::Measure, CMetronomeDlg::Channel);
        channel->setCurrentIndex(7);
        emit channel->activated(7);
        QTest::mouseClick(guitest::buttonNamed(d, "Cancel"), Qt::LeftButton);
    });
    QTest::mouseClick(tickButton(s), Qt::LeftButton);
    EXPECT_EQ(s.state().setting(Setting::MeasureTickChannel), kPercussionChannel);

    for (TransportState busy : {kRecording, kPlaying}) {
        s.state().transportState = busy;
        s.frame().view().showTransportState(busy);
        s.frame().refreshCommands();
        EXPECT_FALSE(tickButton(s)->isEnabled());
        EXPECT_FALSE(s.frame().view().runCommand(kCmdPanelTick));
    }
    s.state().transportState = kEmptyProject;
}

TEST(ControlPanel, TheTicksChannelIsRefusedForNotesAndTheListGoesBack) {
    guitest::Shell s;
    ASSERT_TRUE(s.start());
    auto* channel = qobject_cast<QComboBox*>(s.frame().panel().control(kPanelChannel));
    channel->setCurrentIndex(9);
    emit channel->activated(9);  // "MIDI Channel 10", where both ticks sound
    EXPECT_EQ(s.state().setting(Setting::MidiChannel), 0);
    EXPECT_EQ(channel->currentText(), "MIDI Channel 1");
    EXPECT_EQ(s.prompt.messages.back().text, "Recording channel should be different from Metronome channel");
    channel->setCurrentIndex(2);
    emit channel->activated(2);
    EXPECT_EQ(s.state().setting(Setting::MidiChannel), 2);
}
