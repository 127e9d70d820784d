// Everything the user hears, as MIDI on one device: the monitored take while recording,
// playback, scrubbing, the sound of an edit and the metronome. Each operation ends in short
// messages on the device; callers decide when to call. There is no sequencer and no timing
// here.
//
// Threads: while recording, soundFrame and the ticks run on the engine's capture thread, and
// nothing else is called until the recording has stopped.
#pragma once

#include "midi/MidiDevice.h"
#include "document/ViewPorts.h"

#include <memory>
#include <string>

namespace hummwell {

class UserPrompt;

inline constexpr char kMidiOpenFailed[] = "Failed to open MIDI output";

class MidiOutput final : public NoteOutput {
public:
    MidiOutput(std::unique_ptr<MidiDevice> device, UserPrompt& prompt);
    // Silences every channel and closes the device.
    ~MidiOutput() override;
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;

    // The view whose track, settings, cursor and transport decide what sounds.
    void attach(const SoundSource& view) { view_ = &view; }

    // Closes and reopens the device; "Failed to open MIDI output" when it cannot be opened,
    // after which everything sent is dropped until an opening succeeds.
    void openMidiOutput() override;
    void sendShortMessage(int status, int channel, int data1, int data2);
    // Controller 123 on the note channel.
    void allNotesOff() override;
    // Program change, then pitch-bend sensitivity 12 semitones (RPN 0) on the note channel.
    void prepareNoteChannel() override;
    // Sounds `frame` (the cursor frame) as part of a running sound: a new note only where one
    // starts, otherwise the bend and loudness follow the frame.
    void soundFrame(int frame) override;
    // Starts the sound at the cursor afresh after an edit or a setting change.
    void resoundCursor() override;
    void soundMeasureTick() override;
    void soundBeatTick() override;
    // Note-offs for the last tick notes sent.
    void silenceTicks() override;
    void clearSoundedNote() override {
        lastSoundedNote = 0;
        lastSoundedPitch = 0.0;
    }
    void forgetTicks() override { lastMeasureTickNote_ = lastBeatTickNote_ = -1; }

    MidiDevice& device() { return *device_; }
    // Why the last opening failed; empty after a success.
    const std::string& openProblem() const { return openProblem_; }

    int lastSoundedNote = 0;  // the note sounding on the note channel; 0 = none
    double lastSoundedPitch = 0.0;

private:
    struct Tick;
    // Whether anything may sound: idle only with Scrub on, recording only with real-time out,
    // always while playing, never in a new project.
    bool gateOpen() const;
    int setting(Setting s) const;
    int frames() const;
    int snap(double pitch) const;
    int noteOf(int frame) const;
    void sendBend(int channel, int value);
    // As Is: the bend of the frame's pitch against the sounding note, then its loudness.
    void sendCurve(int frame);
    void soundTick(const Tick& tick, int& lastTickNote);

    std::unique_ptr<MidiDevice> device_;
    UserPrompt& prompt_;
    const SoundSource* view_ = nullptr;
    std::string openProblem_;
    // The tick notes last struck, for their note-offs; -1 when none.
    int lastMeasureTickNote_ = -1;
    int lastBeatTickNote_ = -1;
};

}  // namespace hummwell
