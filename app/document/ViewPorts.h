// The narrow ports between the view state and what surrounds it: what it asks of the note
// view, the MIDI output, the playback timer and the engine, and what the MIDI output and the
// engine in turn see of it. The editor's widgets, the MIDI device and the engine implement
// the first; headless runs use the quiet versions below.
//
// Threads: during a recording, onFrameResult calls drawRecordedColumn, repaint,
// repaintLeftHalf, takeFull, soundFrame and the ticks on the engine's capture thread, with
// the view state's take lock held.
#pragma once

#include "FrameTrack.h"
#include "LookAhead.h"
#include "ProjectSettings.h"
#include "Transport.h"
#include "tonik.h"

#include <cstdint>
#include <vector>

namespace hummwell {

class ViewSurface {
public:
    virtual ~ViewSurface() = default;
    // Redraws frames first .. first + count - 1 of the track picture.
    virtual void renderStretch(int first, int count) = 0;
    // Draws the column of the frame just recorded at `frame`.
    virtual void drawRecordedColumn(int frame) = 0;
    virtual void repaint() = 0;
    // The one-pixel column at client x over the whole height: a cursor move repaints two.
    virtual void repaintColumn(int x) = 0;
    // The part of the view up to the cursor line.
    virtual void repaintLeftHalf() = 0;
    // Moves the picture from the cursor on aside and draws an empty grid after the cursor.
    virtual void prepareRecordingDisplay() = 0;
    // The track filled up during a take: the take is to stop, from the GUI thread's event
    // loop. Called once, on the capture thread.
    virtual void takeFull() = 0;
    virtual void clearPicture() = 0;
    virtual void redrawGrid() = 0;
    // Scroll range in columns, position, and whether the bar is enabled.
    virtual void setScroll(int range, int position, bool enabled) = 0;
    // The Status box, the command-enable flags and the toolbar follow the transport.
    virtual void showTransportState(TransportState state) = 0;
    // Selects the value of a setting in its control-panel control.
    virtual void showSetting(Setting setting, int value) = 0;
};

class NoteOutput {
public:
    virtual ~NoteOutput() = default;
    virtual void openMidiOutput() = 0;      // close and reopen the device
    virtual void prepareNoteChannel() = 0;  // program, pitch-bend range 12 on midiChannel
    virtual void soundFrame(int frame) = 0;
    virtual void soundBeatTick() = 0;
    virtual void soundMeasureTick() = 0;
    virtual void allNotesOff() = 0;
    // Note-offs for the last measure and beat tick notes.
    virtual void silenceTicks() = 0;
    virtual void resoundCursor() = 0;
    // Forgets the note that sounds, so the next frame strikes a new one.
    virtual void clearSoundedNote() = 0;
    // Forgets the last tick notes without their note-offs: a project with other tick
    // settings has come.
    virtual void forgetTicks() = 0;
};

// What the MIDI output reads of the view: the frames, the settings, the cursor, and what
// the transport and Scrub allow to sound.
class SoundSource {
public:
    virtual ~SoundSource() = default;
    virtual const FrameTrack& soundTrack() const = 0;
    virtual const ProjectSettings& soundSettings() const = 0;
    virtual int soundCursor() const = 0;
    virtual TransportState soundTransport() const = 0;
    virtual bool scrubbing() const = 0;
};

// Where the engine's live run delivers its results, one per block, on its capture thread.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void onFrameResult(const FrameResult& result) = 0;
};

// The view's 10 ms playback timer: started by Play, killed by Stop; its ticks call
// ViewState::onPlaybackTimer.
class PlaybackTimer {
public:
    virtual ~PlaybackTimer() = default;
    virtual void start(int periodMs) = 0;
    virtual void stop() = 0;
};

// The engine's pitch run: start delivers FrameResults to the view's onFrameResult until stop
// returns.
class PitchInput {
public:
    virtual ~PitchInput() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    // What the engine hears in each whole block of `samples` (16-bit, 44,100 Hz) at the given
    // levels, in a run of its own after the live one has ended; empty when it cannot.
    virtual std::vector<HeardBlock> hear(const std::vector<int16_t>& samples, const AnalysisLevels& levels) {
        (void)samples;
        (void)levels;
        return {};
    }
};

class QuietSurface final : public ViewSurface {
public:
    void renderStretch(int, int) override {}
    void drawRecordedColumn(int) override {}
    void repaint() override {}
    void repaintColumn(int) override {}
    void repaintLeftHalf() override {}
    void prepareRecordingDisplay() override {}
    void takeFull() override {}
    void clearPicture() override {}
    void redrawGrid() override {}
    void setScroll(int, int, bool) override {}
    void showTransportState(TransportState) override {}
    void showSetting(Setting, int) override {}
};

class QuietOutput final : public NoteOutput {
public:
    void openMidiOutput() override {}
    void prepareNoteChannel() override {}
    void soundFrame(int) override {}
    void soundBeatTick() override {}
    void soundMeasureTick() override {}
    void allNotesOff() override {}
    void silenceTicks() override {}
    void resoundCursor() override {}
    void clearSoundedNote() override {}
    void forgetTicks() override {}
};

class QuietTimer final : public PlaybackTimer {
public:
    void start(int) override {}
    void stop() override {}
};

}  // namespace hummwell
