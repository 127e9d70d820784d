#include "ViewState.h"

#include "NoteFinder.h"

#include <algorithm>
#include <cmath>

namespace hummwell {

namespace {

constexpr int kPlaybackTimerMs = 10;

// For views that never play: headless transcription and tests of other commands.
const SteadyClock steadyClock;
QuietTimer quietTimer;

const char* const kTrackFull = "No more recording is allowed because your MIDI data is full.";

}  // namespace

ViewState::ViewState(UserPrompt& p, ViewSurface& s, NoteOutput& o, PitchInput& i)
    : ViewState(p, s, o, i, steadyClock, quietTimer) {}

ViewState::ViewState(UserPrompt& p, ViewSurface& s, NoteOutput& o, PitchInput& i,
                     const Clock& c, PlaybackTimer& t)
    : prompt(p), surface(s), output(o), input(i), clock(c), timer(t) {
    clipTrack.clear();
}

bool ViewState::setSetting(Setting s, int value) {
    if (settings.get(s) == value) return false;
    // What sounds is silenced before the value changes: on the old channel, in the old key.
    if (s == Setting::Key || s == Setting::Scale || s == Setting::MidiChannel || s == Setting::Instrument)
        output.allNotesOff();
    settings.store(s, value);
    switch (s) {
    case Setting::Speed:
    case Setting::Metre:
    case Setting::Key:
    case Setting::Scale:
        // The grid's lines follow the speed and metre, its row backgrounds and note bars the
        // key and scale.
        surface.redrawGrid();
        requantize(0, frameCount());
        surface.repaint();
        if (s == Setting::Key || s == Setting::Scale) resoundAfterSetting();
        break;
    case Setting::QuantizeMode:
        output.allNotesOff();
        requantize(0, frameCount());
        surface.repaint();
        resoundAfterSetting();
        break;
    case Setting::MidiChannel:
    case Setting::Instrument: resoundAfterSetting(); break;
    case Setting::MetronomeOn:
        if (!value) output.silenceTicks();
        break;
    case Setting::RealtimeOutOn:
        if (!value) output.allNotesOff();
        break;
    default: break;  // acts on frames recorded from now on, and on the MIDI output
    }
    return true;
}

void ViewState::resoundAfterSetting() {
    if (transportState == kRecording) {
        output.prepareNoteChannel();
        output.clearSoundedNote();
    } else {
        output.resoundCursor();
    }
}

void ViewState::requantize(int first, int count) {
    // A stretch is redrawn, and so quantized, in whole notes: an edit that touches part of a
    // note gives all of it its new pitch.
    const Stretch whole = widenToNotes(track, settings.get(Setting::QuantizeMode), first, count);
    hummwell::requantize(track, settings, whole.first, whole.count);
    if (whole.count > 0) surface.renderStretch(whole.first, whole.count);
}

bool ViewState::requestTransport(TransportState target) {
    const TransportMove move = moveTransport(transportState, target, frameCount(), maxFrames, cursorFrame);
    if (move.trackFull) prompt.error(kTrackFull);
    if (!move.made) return false;
    transportState = move.next;
    surface.showTransportState(move.next);
    return true;
}

int ViewState::findNotes(int first, int count, NoteFinderOptions::Pitch pitchFrom) {
    NoteFinderOptions options;
    options.pitchFrom = pitchFrom;
    options.noiseLevel = levels.noiseLevel;
    options.levelSpan = levels.levelSpan;
    const int notes = hummwell::findNotes(track, first, count, options);
    // One frame more on either side: a note that went on past the range got an onset there,
    // and one cut where the range begins is shorter now.
    requantize(first - 1, count + 2);
    surface.repaint();
    return notes;
}

Stretch ViewState::findNotesRange() const {
    const Selection& s = selection;
    if (s.rangeSelected) return {std::min(s.rangeStart, s.rangeEnd), std::abs(s.rangeEnd - s.rangeStart)};
    if (s.noteSelected) return {s.noteStart, s.noteEnd - s.noteStart};
    return {0, std::max(frameCount() - 1, 0)};
}

void ViewState::record(CountIn countIn) {
    const TransportState before = transportState;
    history.end(*this);  // a drag in progress is a step up to here
    if (!requestTransport(kRecording)) {
        history.resumeGesture(*this);
        return;
    }
    setSetting(Setting::QuantizeMode, kAsIs);  // recording is always unquantized
    surface.showSetting(Setting::QuantizeMode, kAsIs);
    // The take is one step, from here to Stop: the split and the dropped selection below are
    // part of it; the re-quantize above is the setting's.
    history.beginTake(*this, before);
    clearSelection();  // recording moves every frame after the cursor
    // Recording starts after a note boundary: the note under the cursor is split there.
    const int n = frameCount();
    if (cursorFrame >= 2 && cursorFrame < n - 2 && track.mark[cursorFrame - 1] == kMarkContinue &&
        track.mark[cursorFrame] == kMarkContinue && track.mark[cursorFrame + 1] == kMarkContinue)
        track.mark[cursorFrame] = kMarkOnset;

    // Inserts during the take must never allocate on the capture thread.
    track.syncEvidence();
    track.reserve(maxFrames + 1);
    takeAudio_.begin(maxFrames - frameCount());
    takeStart_ = cursorFrame;
    fullReported_ = false;
    surface.prepareRecordingDisplay();
    surface.setScroll(frameCount(), cursorFrame, false);
    transcriber.levels = levels;
    transcriber.start(countIn == CountIn::None ? 0 : -static_cast<int>(std::trunc(settings.beatMs() * -0.5)));
    output.openMidiOutput();
    output.prepareNoteChannel();
    input.start();
}

void ViewState::stop() {
    const TransportState was = transportState;
    if (was != kRecording && was != kPlaying) return;
    // The engine's run ends before the gate: after it, no frame arrives to race with it.
    if (was == kRecording) input.stop();
    if (!requestTransport(kIdle)) return;
    if (was == kRecording) {
        output.allNotesOff();
        if (frameCount() >= maxFrames) prompt.error(kTrackFull);
        hearTakeAgain();
        // The take's own evidence first: what the live decision smoothed or gated is heard anew.
        if (findNotesAfterTake && cursorFrame > takeStart_)
            findNotes(takeStart_, cursorFrame - takeStart_, NoteFinderOptions::Pitch::Evidence);
        requantize(0, frameCount());
        history.end(*this);
    } else if (was == kPlaying) {
        timer.stop();
        output.allNotesOff();
    }
    history.resumeGesture(*this);  // a drag held through the run goes on as a step
    surface.setScroll(frameCount(), cursorFrame, frameCount() > 1);
    surface.repaint();
    if (scrubOn) output.resoundCursor();
}

void ViewState::play() {
    history.end(*this);  // a drag in progress is a step up to here
    if (!requestTransport(kPlaying)) {
        history.resumeGesture(*this);
        return;
    }
    surface.setScroll(frameCount(), cursorFrame, false);
    output.openMidiOutput();
    output.prepareNoteChannel();
    output.clearSoundedNote();
    playStartMs = clock.nowMs() - cursorFrame * kFrameMs;
    timer.start(kPlaybackTimerMs);
}

void ViewState::onPlaybackTimer() {
    if (transportState != kPlaying) return;  // a tick queued before Stop
    const int f = static_cast<int>(std::trunc((clock.nowMs() - playStartMs) * kFramesPerMs));
    if (f == cursorFrame) return;
    const int n = frameCount();
    if (f >= n) {
        cursorFrame = n - 1;
        stop();
        return;
    }
    cursorFrame = f;
    output.soundFrame(f);
    surface.setScroll(n, f, false);
    if (f % 2 == 1) surface.repaint();
}

void ViewState::togglePlayStop() {
    if (transportState == kIdle) play();
    else if (transportState == kPlaying) stop();
}

void ViewState::toggleScrub() {
    scrubOn = !scrubOn;
    if (scrubOn) output.resoundCursor();
    else output.allNotesOff();
}

void ViewState::setCursor(int frame) {
    const int old = cursorFrame;
    cursorFrame = std::clamp(frame, 0, frameCount() - 1);
    output.soundFrame(cursorFrame);
    const int half = viewWidth / 2;
    surface.repaintColumn(half);
    surface.repaintColumn(half - cursorFrame + old);
}

void ViewState::unselect() {
    clipTrack.clear();
    clearSelection();
    surface.repaint();
}

void ViewState::soundTick(TickKind tick) {
    switch (tick) {
    case kBeatTick: output.soundBeatTick(); break;
    case kMeasureTick: output.soundMeasureTick(); break;
    case kNoTick: break;
    }
}

void ViewState::hearTakeAgain() {
    const int frames = cursorFrame - takeStart_;
    if (frames <= 1) return;
    const std::vector<FrameEvidence> heard = takeAudio_.hearAgain(input, levels.noiseLevel, settings);
    // Block b was decided as frame takeStart_ + 1 + b: the take's first frame is the silence
    // before its first block.
    for (size_t b = 0; b < heard.size() && static_cast<int>(b) + 1 < frames; ++b)
        track.evidence[static_cast<size_t>(takeStart_) + 1 + b] = heard[b];
}

void ViewState::onFrameResult(const FrameResult& result) {
    const std::lock_guard lock(takeLock);
    // Count-in: ticks only, nothing recorded.
    switch (transcriber.countIn()) {
    case LiveTranscriber::CountIn::First: surface.repaint(); return;
    case LiveTranscriber::CountIn::Later:
        if (settings.get(Setting::MetronomeOn)) soundTick(transcriber.tick(cursorFrame, settings));
        if (transcriber.countInLeft() % 2 == 0) surface.repaint();
        return;
    case LiveTranscriber::CountIn::Over: break;
    }

    if (frameCount() >= maxFrames) {  // dropped; Stop reports the full track
        if (!fullReported_) {
            fullReported_ = true;
            surface.takeFull();
        }
        surface.repaint();
        return;
    }
    const LiveTranscriber::Decided decided = transcriber.decide(result, settings);
    track.insert(cursorFrame, decided.frame, decided.evidence);
    takeAudio_.keep(result.samples512);  // to be heard again after Stop
    if (settings.get(Setting::RealtimeOutOn)) output.soundFrame(cursorFrame);
    surface.drawRecordedColumn(cursorFrame);
    if (settings.get(Setting::MetronomeOn)) soundTick(transcriber.tick(cursorFrame, settings));
    if (cursorFrame % 3 == 1) surface.repaintLeftHalf();
    ++cursorFrame;
}

}  // namespace hummwell
