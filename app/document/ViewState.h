// Everything the note view holds about the transcription, without any widget: the frame
// track, the settings, the cursor, the transport and the recording state, with the commands
// and the engine callback that change them. The CVtView widget owns one and forwards to it.
//
// Threads: record() starts the engine, which then calls onFrameResult on its capture thread
// until stop() has returned. While the transport records, only onFrameResult changes the
// track and the cursor, each frame under `takeLock`; every command checks the transport
// first. The GUI thread holds the same lock while it paints (reading the track, the cursor
// and the track picture) and while it changes a setting, so that the few settings a take
// allows to change reach the capture thread whole and MIDI is never sent from both threads
// at once. The transport state itself changes only while no take runs.
#pragma once

#include "Clock.h"
#include "FrameTrack.h"
#include "LevelThresholds.h"
#include "LiveTranscriber.h"
#include "LookAhead.h"
#include "NoteFinder.h"
#include "ProjectSettings.h"
#include "Selection.h"
#include "TakeAudio.h"
#include "Quantizer.h"
#include "Scale.h"
#include "UndoHistory.h"
#include "UserPrompt.h"
#include "ViewPorts.h"
#include "tonik.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace hummwell {

// A project opened from a file that held more frames than the track: saving over that file
// asks first.
struct CutProject {
    std::string path;
    int frames;  // in the file
};

class ViewState final : public SoundSource, public FrameSink {
public:
    ViewState(UserPrompt& prompt, ViewSurface& surface, NoteOutput& output, PitchInput& input);
    ViewState(UserPrompt& prompt, ViewSurface& surface, NoteOutput& output, PitchInput& input,
              const Clock& clock, PlaybackTimer& timer);

    // --- Settings -------------------------------------------------------------------------
    // Stores a setting with its effects. An unchanged value does nothing. Speed and metre
    // redraw the grid and re-quantize the whole track; key and scale silence the notes first,
    // then do the same and sound the cursor again; quantize silences, re-quantizes and
    // re-sounds; channel and instrument silence and re-sound (the program change); switching
    // the metronome off silences its ticks and switching real-time output off all notes. The
    // others are only stored. Returns whether it changed.
    bool setSetting(Setting setting, int value);
    int setting(Setting s) const { return settings.get(s); }

    // --- Track ----------------------------------------------------------------------------
    int frameCount() const { return track.frameCount(); }
    int cursorMs() const { return frameToMs(cursorFrame); }
    void insertFrameAtCursor(const Frame& f) { track.insert(cursorFrame, f); }
    void resetTrack() { track.reset(); }
    // Re-quantizes frames first .. first + count - 1 and redraws them (whole notes in the
    // Note and Relative modes).
    void requantize(int first, int count);
    // A note of the view's scale and key.
    int snap(double pitch) const {
        return snapToNote(pitch, settings.get(Setting::Scale), settings.keyOffset());
    }

    // --- Transport ------------------------------------------------------------------------
    // The one gate of the transport: whether the move to `target` (Idle is Stop, Empty
    // Project is New) was made; a refused move changes nothing.
    bool requestTransport(TransportState target);
    // Recording from a microphone counts in half a beat's worth of frames first; a file
    // transcribed after the fact has nothing to count in to.
    enum class CountIn { Beats, None };
    void record(CountIn countIn = CountIn::Beats);
    void stop();
    // The engine's callback: one frame result, decided one frame late.
    void onFrameResult(const FrameResult& result) override;
    // The count-in: negative while it runs, counting up to 0.
    int preRollCounter() const { return transcriber.countInLeft(); }
    // Where the take in progress began.
    int takeStart() const { return takeStart_; }

    // --- Playback -------------------------------------------------------------------------
    // Sounds the track from the cursor on, one frame per 11.61 ms, driven by the timer.
    void play();
    // Every tick of the playback timer: the frame that is due by the clock becomes the cursor
    // and sounds; frames between two ticks are skipped, not sounded late.
    void onPlaybackTimer();
    // Space: Play when idle, Stop while playing, nothing otherwise.
    void togglePlayStop();
    // Scrub: while on and idle, every cursor move sounds the frame under the cursor.
    void toggleScrub();

    // --- Cursor and selection -------------------------------------------------------------
    // Moves the cursor (held to the track), sounds the frame there through the output's gate
    // and repaints the two one-pixel columns the cursor line leaves and reaches.
    void setCursor(int frame);
    bool hasSelection() const { return selection.any(); }
    // Unselect: the clip emptied, both selections cleared, the view repainted.
    void unselect();
    // Both selections cleared, the clip kept: for a track whose frames are about to move.
    void clearSelection() { selection.rangeSelected = selection.noteSelected = false; }

    // --- Note finding ------------------------------------------------------------------------
    // Re-decides the notes of frames first .. first + count - 1 with the look-ahead note finder
    // (the engine's evidence of recorded frames, else their stored pitches and volumes), then
    // re-quantizes and redraws them. Returns the number of notes.
    int findNotes(int first, int count,
                  NoteFinderOptions::Pitch pitchFrom = NoteFinderOptions::Pitch::TrackFirst);
    // The frames Find Notes works on: the selected range or note, else the whole track but its
    // closing rest.
    Stretch findNotesRange() const;
    bool findNotesAfterTake = true;  // run it over each take when Stop ends it
    // The audio of the last take, one block per recorded frame from its second on (16-bit,
    // 44,100 Hz), kept until the next Record. Stop has the engine hear it again at the levels
    // of its own audio, and the take's frames keep that evidence for every Find Notes.
    const std::vector<int16_t>& takeAudio() const { return takeAudio_.samples(); }

    mutable std::mutex takeLock;
    FrameTrack track;
    ProjectSettings settings;
    LevelThresholds levels;  // from the level set-up; a take's transcriber gets them at Record
    LiveTranscriber transcriber;
    int maxFrames = kDefaultMaxFrames;
    int cursorFrame = 0;
    TransportState transportState = kEmptyProject;
    bool scrubOn = false;
    double playStartMs = 0.0;  // the clock at which frame 0 would have sounded

    Selection selection;
    FrameTrack clipTrack;  // what Copy took; empty until then, and after Unselect
    // Undo and Redo: the GUI thread's alone, and never touched while a take runs.
    UndoHistory history;

    int viewWidth = 0;     // client width in pixels: one frame per column

    // What the MIDI output reads.
    const FrameTrack& soundTrack() const override { return track; }
    const ProjectSettings& soundSettings() const override { return settings; }
    int soundCursor() const override { return cursorFrame; }
    TransportState soundTransport() const override { return transportState; }
    bool scrubbing() const override { return scrubOn; }

    std::optional<CutProject> cutProject;
    // Told the path of every project opened or saved through the commands: the recent list.
    std::function<void(const std::string& path)> projectFileUsed;

    UserPrompt& prompt;
    ViewSurface& surface;
    NoteOutput& output;
    PitchInput& input;
    const Clock& clock;
    PlaybackTimer& timer;

private:
    void soundTick(TickKind tick);
    // The cursor frame sounded afresh after a setting changed; during a take only the note
    // channel is prepared again, and the capture thread's next frame strikes the note.
    void resoundAfterSetting();
    // The take's frames get the evidence of its audio heard again at the look-ahead levels.
    void hearTakeAgain();

    // Recording state.
    int takeStart_ = 0;
    bool fullReported_ = false;
    TakeAudio takeAudio_;  // written on the capture thread under takeLock
};

}  // namespace hummwell
