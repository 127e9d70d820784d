#include "MidiOutput.h"

#include "document/MidiStatus.h"
#include "document/PitchBend.h"
#include "document/Scale.h"
#include "document/UserPrompt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace hummwell {

namespace {

constexpr int kBendRangeSemitones = 12;
constexpr int kFirstPercussionKey = 35;

}  // namespace

struct MidiOutput::Tick {
    Setting channel;
    Setting instrument;
    Setting note;
    Setting velocity;
};

MidiOutput::MidiOutput(std::unique_ptr<MidiDevice> device, UserPrompt& prompt)
    : device_(std::move(device)), prompt_(prompt) {}

// Nothing may hang on an external synthesizer after the program has gone; the view may be
// gone already, so every channel is told, the metronome's too.
MidiOutput::~MidiOutput() {
    for (int channel = 0; channel < 16; ++channel)
        sendShortMessage(kControl, channel, kAllNotesOff, 0);
    device_->close();
}

void MidiOutput::openMidiOutput() {
    device_->close();
    std::string problem;
    if (device_->open(problem)) {
        openProblem_.clear();
        return;
    }
    // The reason is for whoever reads the terminal; the user gets the program's message.
    if (problem != openProblem_) std::fprintf(stderr, "hummwell: MIDI output: %s\n", problem.c_str());
    openProblem_ = problem;
    prompt_.error(kMidiOpenFailed);
}

void MidiOutput::sendShortMessage(int status, int channel, int data1, int data2) {
    device_->send(packShortMessage(status, channel, data1, data2));
}

void MidiOutput::allNotesOff() {
    sendShortMessage(kControl, setting(Setting::MidiChannel), kAllNotesOff, 0);
}

void MidiOutput::prepareNoteChannel() {
    const int channel = setting(Setting::MidiChannel);
    sendShortMessage(kProgram, channel, setting(Setting::Instrument), 0);
    sendShortMessage(kControl, channel, kRpnMsb, 0);
    sendShortMessage(kControl, channel, kRpnLsb, 0);
    sendShortMessage(kControl, channel, kDataEntry, kBendRangeSemitones);
}

int MidiOutput::setting(Setting s) const { return view_->soundSettings().get(s); }

int MidiOutput::frames() const { return view_->soundTrack().frameCount(); }

int MidiOutput::snap(double pitch) const {
    return snapToNote(pitch, setting(Setting::Scale), view_->soundSettings().keyOffset());
}

bool MidiOutput::gateOpen() const {
    switch (view_->soundTransport()) {
    case kIdle: return view_->scrubbing();
    case kRecording: return setting(Setting::RealtimeOutOn) != 0;
    case kPlaying: return true;
    case kEmptyProject: return false;
    }
    return false;
}

int MidiOutput::noteOf(int frame) const {
    const int mode = setting(Setting::QuantizeMode);
    if (mode == kRelative || mode == kNoteQuantize) return view_->soundTrack().note[frame];
    return snap(view_->soundTrack().pitch[frame]);
}

void MidiOutput::sendBend(int channel, int value) {
    sendShortMessage(kPitchBend, channel, value & 0x7F, (value >> 7) & 0x7F);
}

void MidiOutput::sendCurve(int frame) {
    const int channel = setting(Setting::MidiChannel);
    sendBend(channel, pitchBendValue(view_->soundTrack().pitch[frame], lastSoundedNote));
    sendShortMessage(kControl, channel, loudnessController(setting(Setting::VelocityOutMode)),
                     loudnessValue(view_->soundTrack().volume[frame]));
}

void MidiOutput::soundFrame(int frame) {
    if (!gateOpen() || frame < 0 || frame >= frames()) return;
    const FrameTrack& track = view_->soundTrack();
    const int channel = setting(Setting::MidiChannel);
    const double pitch = track.pitch[frame];
    if (pitch < 1.0) {
        allNotesOff();
        clearSoundedNote();
        return;
    }
    const int n = noteOf(frame);
    const bool onset = track.mark[frame] == kMarkOnset;
    if (setting(Setting::QuantizeMode) != kAsIs) {
        if (n != lastSoundedNote || onset) {
            allNotesOff();
            sendShortMessage(kNoteOn, channel, n, kQuantizedVelocity);
            sendBend(channel, kBendCentre);
            lastSoundedNote = n;
        }
    } else {
        if (lastSoundedNote == 0 || onset || pitch > lastSoundedNote + 12.0 ||
            pitch < lastSoundedNote - 12.0) {
            allNotesOff();
            sendShortMessage(kNoteOn, channel, n, kSungVelocity);
            lastSoundedNote = n;
        }
        sendCurve(frame);
    }
    lastSoundedPitch = pitch;
}

void MidiOutput::resoundCursor() {
    if (!gateOpen()) return;
    prepareNoteChannel();
    allNotesOff();
    const int frame = view_->soundCursor();
    if (frame < 0 || frame >= frames() || view_->soundTrack().pitch[frame] < 1.0) {
        clearSoundedNote();
        return;
    }
    const int channel = setting(Setting::MidiChannel);
    const int n = noteOf(frame);
    if (setting(Setting::QuantizeMode) == kAsIs) {
        sendShortMessage(kNoteOn, channel, n, kSungVelocity);
        lastSoundedNote = n;
        sendCurve(frame);
    } else {
        sendShortMessage(kNoteOn, channel, n, kQuantizedVelocity);
        sendBend(channel, kBendCentre);
        lastSoundedNote = n;
    }
    lastSoundedPitch = view_->soundTrack().pitch[frame];
}

void MidiOutput::soundTick(const Tick& tick, int& lastTickNote) {
    const int channel = setting(tick.channel);
    const bool percussion = channel == kPercussionChannel;
    if (!percussion) sendShortMessage(kProgram, channel, setting(tick.instrument), 0);
    if (lastTickNote > 0) sendShortMessage(kNoteOff, channel, lastTickNote, 0);
    const int choice = setting(tick.note);
    const int note = percussion ? choice + kFirstPercussionKey
                                : 12 * (choice + 3) - view_->soundSettings().keyOffset();
    sendShortMessage(kNoteOn, channel, note, setting(tick.velocity));
    if (!percussion) sendBend(channel, referenceBendValue(setting(Setting::RefKeyAdjust)));
    lastTickNote = note;
}

void MidiOutput::soundMeasureTick() {
    static constexpr Tick kMeasure{Setting::MeasureTickChannel, Setting::MeasureTickInstrument,
                                   Setting::MeasureTickNote, Setting::MeasureTickVelocity};
    soundTick(kMeasure, lastMeasureTickNote_);
}

void MidiOutput::soundBeatTick() {
    static constexpr Tick kBeat{Setting::BeatTickChannel, Setting::BeatTickInstrument,
                                Setting::BeatTickNote, Setting::BeatTickVelocity};
    soundTick(kBeat, lastBeatTickNote_);
}

void MidiOutput::silenceTicks() {
    if (lastMeasureTickNote_ > 0)
        sendShortMessage(kNoteOff, setting(Setting::MeasureTickChannel), lastMeasureTickNote_, 0);
    if (lastBeatTickNote_ > 0)
        sendShortMessage(kNoteOff, setting(Setting::BeatTickChannel), lastBeatTickNote_, 0);
}

}  // namespace hummwell
