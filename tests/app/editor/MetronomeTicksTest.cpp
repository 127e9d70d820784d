// The metronome dialog's rules without its widgets: what it opens with, the channel rules and
// their message, the note lists, and what OK stores.
#include "editor/MetronomeTicks.h"

#include "document/ViewState.h"
#include "support/AppDoubles.h"

#include <gtest/gtest.h>

using namespace hummwell;

namespace {

ProjectSettings withTicks(int measureChannel, int beatChannel, int midiChannel = 0) {
    ProjectSettings s;
    s.store(Setting::MeasureTickChannel, measureChannel);
    s.store(Setting::BeatTickChannel, beatChannel);
    s.store(Setting::MidiChannel, midiChannel);
    return s;
}

}  // namespace

TEST(MetronomeTicks, ListsHoldTheirExactEntries) {
    const std::vector<std::string> channels = tickChannelLabels();
    ASSERT_EQ(channels.size(), 16u);
    EXPECT_EQ(channels[0], "Channel-1");
    EXPECT_EQ(channels[8], "Channel-9");
    EXPECT_EQ(channels[9], "Channel-10 Percussion");
    EXPECT_EQ(channels[10], "Channel-11");
    EXPECT_EQ(channels[15], "Channel-16");
    EXPECT_STREQ(percussionLabels()[0], "35 Acoustic Base Drum");
    EXPECT_STREQ(percussionLabels()[3], "38 Acoustic Snare");
    EXPECT_STREQ(percussionLabels()[7], "42 Closed Hi Hat");
    EXPECT_STREQ(percussionLabels()[37], "72 Long Whistel");
    EXPECT_STREQ(percussionLabels()[46], "81 Open Trangle");
    EXPECT_STREQ(octaveLabels()[0], "Octave 2 Key Note");
    EXPECT_STREQ(octaveLabels()[5], "Octave 7 Key Note");
    const std::vector<std::string> velocities = velocityLabels();
    ASSERT_EQ(velocities.size(), 128u);
    EXPECT_EQ(velocities[0], "000");
    EXPECT_EQ(velocities[64], "064");
    EXPECT_EQ(velocities[127], "127");
}

TEST(MetronomeTicks, OpensWithEachNoteListFilledForItsChannelAndPreselected) {
    ProjectSettings defaults;
    defaults.store(Setting::MeasureTickNote, 20);  // the stored notes give way to the preselection
    defaults.store(Setting::BeatTickNote, 30);
    const MetronomeTicks d(defaults);
    for (TickSound t : {TickSound::Measure, TickSound::Beat}) {
        EXPECT_EQ(d.choice(t).channel, kPercussionChannel);
        EXPECT_FALSE(d.instrumentEnabled(t));
        EXPECT_EQ(d.noteList(t), NoteList::Percussion);
    }
    EXPECT_EQ(d.choice(TickSound::Measure).note, 3);  // 38 Acoustic Snare
    EXPECT_EQ(d.choice(TickSound::Beat).note, 7);     // 42 Closed Hi Hat
    EXPECT_EQ(d.choice(TickSound::Measure).velocity, 64);
    EXPECT_EQ(d.choice(TickSound::Beat).velocity, 48);

    const MetronomeTicks melodic(withTicks(2, 5));
    EXPECT_TRUE(melodic.instrumentEnabled(TickSound::Measure));
    EXPECT_EQ(melodic.noteList(TickSound::Beat), NoteList::Octaves);
    EXPECT_EQ(melodic.choice(TickSound::Measure).note, 3);  // Octave 5 Key Note
    EXPECT_EQ(melodic.choice(TickSound::Beat).note, 2);     // Octave 4 Key Note
}

TEST(MetronomeTicks, TheNoteChannelMovesTheListWithTheMessageEveryTime) {
    MetronomeTicks d(withTicks(kPercussionChannel, kPercussionChannel, 0));
    EXPECT_EQ(d.chooseChannel(TickSound::Measure, 0), "Metronome channel can not be the same as MIDI out channel");
    EXPECT_EQ(d.choice(TickSound::Measure).channel, 1);  // "Channel-2"
    // Off the percussion channel: the octaves, the instrument list enabled.
    EXPECT_EQ(d.noteList(TickSound::Measure), NoteList::Octaves);
    EXPECT_TRUE(d.instrumentEnabled(TickSound::Measure));
    EXPECT_EQ(d.choice(TickSound::Measure).note, 3);
    // The same choice again is checked again.
    EXPECT_EQ(d.chooseChannel(TickSound::Measure, 0), kTickChannelConflict);
    EXPECT_EQ(d.choice(TickSound::Measure).channel, 1);

    // With the note channel elsewhere, the move is to "Channel-1".
    MetronomeTicks e(withTicks(kPercussionChannel, kPercussionChannel, 5));
    EXPECT_EQ(e.chooseChannel(TickSound::Beat, 5), kTickChannelConflict);
    EXPECT_EQ(e.choice(TickSound::Beat).channel, 0);
    EXPECT_EQ(e.choice(TickSound::Beat).note, 2);  // Octave 4 Key Note
}

TEST(MetronomeTicks, MovingOntoAndOffThePercussionChannelSwapsTheNoteLists) {
    MetronomeTicks d(withTicks(kPercussionChannel, kPercussionChannel, 0));
    EXPECT_EQ(d.chooseChannel(TickSound::Beat, 4), "");
    EXPECT_EQ(d.noteList(TickSound::Beat), NoteList::Octaves);
    EXPECT_TRUE(d.instrumentEnabled(TickSound::Beat));
    EXPECT_EQ(d.choice(TickSound::Beat).note, 2);
    d.chooseNote(TickSound::Beat, 5);
    // Another melodic channel keeps the list and the note chosen.
    EXPECT_EQ(d.chooseChannel(TickSound::Beat, 6), "");
    EXPECT_EQ(d.choice(TickSound::Beat).note, 5);
    // Back to percussion: the drums, the closed hi-hat again, no instrument.
    EXPECT_EQ(d.chooseChannel(TickSound::Beat, kPercussionChannel), "");
    EXPECT_EQ(d.noteList(TickSound::Beat), NoteList::Percussion);
    EXPECT_FALSE(d.instrumentEnabled(TickSound::Beat));
    EXPECT_EQ(d.choice(TickSound::Beat).note, 7);
    // The channel it already has changes nothing.
    d.chooseNote(TickSound::Beat, 12);
    EXPECT_EQ(d.chooseChannel(TickSound::Beat, kPercussionChannel), "");
    EXPECT_EQ(d.choice(TickSound::Beat).note, 12);
}

TEST(MetronomeTicks, OkStoresAllEightValuesIncludingThePreselectedNotes) {
    appdoubles::ViewFixture f;
    ViewState view(f.prompt, f.surface, f.output, f.input);
    view.settings.store(Setting::MeasureTickNote, 20);
    MetronomeTicks d(view.settings);
    d.chooseChannel(TickSound::Beat, 3);
    d.chooseInstrument(TickSound::Beat, 115);
    d.chooseVelocity(TickSound::Beat, 100);
    d.chooseVelocity(TickSound::Measure, 90);
    d.applyTo(view);
    EXPECT_EQ(view.setting(Setting::MeasureTickChannel), kPercussionChannel);
    EXPECT_EQ(view.setting(Setting::MeasureTickNote), 3);  // untouched, so the preselection
    EXPECT_EQ(view.setting(Setting::MeasureTickVelocity), 90);
    EXPECT_EQ(view.setting(Setting::BeatTickChannel), 3);
    EXPECT_EQ(view.setting(Setting::BeatTickInstrument), 115);
    EXPECT_EQ(view.setting(Setting::BeatTickNote), 2);
    EXPECT_EQ(view.setting(Setting::BeatTickVelocity), 100);
    EXPECT_TRUE(f.output.calls.empty());  // nothing sounds; the next tick uses them
}
