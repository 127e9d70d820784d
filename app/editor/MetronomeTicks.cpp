#include "editor/MetronomeTicks.h"

#include "document/ViewState.h"

#include <cstdio>

namespace hummwell {

namespace {

constexpr std::array<const char*, 47> kPercussion = {
    "35 Acoustic Base Drum", "36 Base Drum 1",  "37 Side Stick",     "38 Acoustic Snare",
    "39 Hand Clap",          "40 Electric Snare", "41 Low Floor Tom", "42 Closed Hi Hat",
    "43 High Floor Tom",     "44 Pedal Hi Hat", "45 Low Tom",        "46 Open Hi Hat",
    "47 Low-Mid Tom",        "48 Hi-Mid Tom",   "49 Crash Cymbal 1", "50 High Tom",
    "51 Ride Cymbal 1",      "52 Chinese Cymbal", "53 Ride Bell",    "54 Tambourine",
    "55 Splash Cymbal",      "56 Cowbell",      "57 Crash Cymbal 2", "58 Vibraslap",
    "59 Ride Cymbal 2",      "60 Hi Bongo",     "61 Low Bongo",      "62 Mute Hi Conga",
    "63 Open Hi Conga",      "64 Low Conga",    "65 High Timbale",   "66 Low Timbale",
    "67 High Agogo",         "68 Low Agogo",    "69 Cabasa",         "70 Maracas",
    "71 Short Whistle",      "72 Long Whistel", "73 Short Guiro",    "74 Long Guiro",
    "75 Claves",             "76 Hi Wood Block", "77 Low Wood Block", "78 Mute Cuica",
    "79 Open Cuica",         "80 Mute Triangle", "81 Open Trangle",
};

constexpr std::array<const char*, 6> kOctaves = {
    "Octave 2 Key Note", "Octave 3 Key Note", "Octave 4 Key Note",
    "Octave 5 Key Note", "Octave 6 Key Note", "Octave 7 Key Note",
};

// The note each tick starts on when its list is filled: measure, beat.
constexpr std::array<int, 2> kPercussionPreselect = {3, 7};  // 38 Acoustic Snare, 42 Closed Hi Hat
constexpr std::array<int, 2> kOctavePreselect = {3, 2};      // octave 5, octave 4

constexpr std::array<Setting, 4> kMeasureSettings = {Setting::MeasureTickChannel, Setting::MeasureTickInstrument,
                                                     Setting::MeasureTickNote, Setting::MeasureTickVelocity};
constexpr std::array<Setting, 4> kBeatSettings = {Setting::BeatTickChannel, Setting::BeatTickInstrument,
                                                  Setting::BeatTickNote, Setting::BeatTickVelocity};

}  // namespace

std::vector<std::string> tickChannelLabels() {
    std::vector<std::string> out;
    for (int c = 1; c <= 16; ++c)
        out.push_back("Channel-" + std::to_string(c) + (c == kPercussionChannel + 1 ? " Percussion" : ""));
    return out;
}

const std::array<const char*, 47>& percussionLabels() { return kPercussion; }
const std::array<const char*, 6>& octaveLabels() { return kOctaves; }

std::vector<std::string> velocityLabels() {
    std::vector<std::string> out;
    for (int v = 0; v < 128; ++v) {
        char text[8];
        std::snprintf(text, sizeof text, "%03d", v);
        out.push_back(text);
    }
    return out;
}

MetronomeTicks::MetronomeTicks(const ProjectSettings& s) : midiChannel_(s.get(Setting::MidiChannel)) {
    for (TickSound t : {TickSound::Measure, TickSound::Beat}) {
        const auto& ids = t == TickSound::Measure ? kMeasureSettings : kBeatSettings;
        TickChoice& c = ticks_[index(t)];
        c = {s.get(ids[0]), s.get(ids[1]), s.get(ids[2]), s.get(ids[3])};
        preselectNote(t);
        previousChannel_[index(t)] = c.channel;
    }
}

NoteList MetronomeTicks::noteList(TickSound t) const {
    return choice(t).channel == kPercussionChannel ? NoteList::Percussion : NoteList::Octaves;
}

void MetronomeTicks::preselectNote(TickSound t) {
    ticks_[index(t)].note = noteList(t) == NoteList::Percussion ? kPercussionPreselect[index(t)]
                                                                 : kOctavePreselect[index(t)];
}

std::string MetronomeTicks::chooseChannel(TickSound t, int channel) {
    int& previous = previousChannel_[index(t)];
    TickChoice& c = ticks_[index(t)];
    c.channel = channel;
    if (channel == previous) return {};
    std::string message;
    if (channel != kPercussionChannel && channel == midiChannel_) {
        c.channel = midiChannel_ == 0 ? 1 : 0;
        message = kTickChannelConflict;
    }
    // Onto or off the percussion channel, the note list changes and its note is preselected.
    if ((c.channel == kPercussionChannel) != (previous == kPercussionChannel)) preselectNote(t);
    previous = c.channel;
    return message;
}

void MetronomeTicks::applyTo(ViewState& view) const {
    for (TickSound t : {TickSound::Measure, TickSound::Beat}) {
        const auto& ids = t == TickSound::Measure ? kMeasureSettings : kBeatSettings;
        const TickChoice& c = choice(t);
        view.setSetting(ids[0], c.channel);
        view.setSetting(ids[1], c.instrument);
        view.setSetting(ids[2], c.note);
        view.setSetting(ids[3], c.velocity);
    }
}

}  // namespace hummwell
