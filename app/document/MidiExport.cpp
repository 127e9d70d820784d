#include "MidiExport.h"

#include "MidiStatus.h"

#include "PitchBend.h"
#include "SafeFile.h"
#include "Scale.h"
#include "UserPrompt.h"
#include "ViewState.h"

#include <cmath>
#include <iterator>
#include <optional>

namespace hummwell {

namespace {

constexpr uint32_t kTicksPerFrame = 256;
// The largest delta a four-byte variable-length quantity holds, in whole frames.
constexpr uint32_t kMaxDelta = 0x0FFFFFFF;
constexpr int kMaxRunFrames = static_cast<int>(kMaxDelta / kTicksPerFrame);

// Where the second track's chunk length goes, and how many bytes precede its events.
constexpr size_t kTrackLengthAt = 30;
constexpr size_t kTrackEventsAt = 34;

// Standard variable-length quantity, at most four bytes: runs are kept within kMaxRunFrames.
void putVlq(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0 && n < 4);
    while (n > 1) out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

// A data byte: anything outside 0..127 would be read as a status byte and wreck the stream.
uint8_t dataByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 127 ? 127 : v); }

void putHeader(std::vector<uint8_t>& out, int instrument) {
    const uint8_t head[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x2B, 0x11,  // format 1, 2 tracks, 11025
        'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0,        // first track: end only
        'M', 'T', 'r', 'k', 0, 0, 0, 0,                          // length filled in at the end
    };
    out.assign(std::begin(head), std::end(head));
    const uint8_t setup[] = {
        0, kProgram, dataByte(instrument),
        0, kControl, 0x65, 0,  // RPN 0: pitch-bend sensitivity ...
        0, kControl, 0x64, 0,
        0, kControl, 0x06, 12,  // ... of 12 semitones
        0, kNoteOn,             // the first frame's note completes this by running status
    };
    out.insert(out.end(), std::begin(setup), std::end(setup));
}

// The sung curve: a Note On per note, then every frame its bend at its start and its loudness
// one frame later. The sounding note is the encoder's own: borrowing the live output's would
// leave whatever that output is sounding stuck when it is cleared here.
void encodeAsSung(std::vector<uint8_t>& out, const FrameTrack& track, const ProjectSettings& settings) {
    const int scale = settings.get(Setting::Scale);
    const int keyOffset = settings.keyOffset();
    const uint8_t controller = static_cast<uint8_t>(loudnessController(settings.get(Setting::VelocityOutMode)));
    const int n = track.frameCount();
    int sounding = 0;
    for (int i = 0; i < n; ++i) {
        const double p = track.pitch[i];
        const int note = snapToNote(p, scale, keyOffset);
        const uint8_t velocity = note != 0 ? uint8_t{kSungVelocity} : uint8_t{0};
        if (i == 0) {
            out.insert(out.end(), {dataByte(note), velocity, 0});
            sounding = note;
        } else if (sounding == 0 || track.mark[i] == kMarkOnset || p > sounding + 12 || p < sounding - 12) {
            out.insert(out.end(), {kNoteOn, dataByte(sounding), 0, 0, dataByte(note), velocity, 0});
            sounding = note;
        }
        const int bend = pitchBendValue(p, sounding);
        out.insert(out.end(), {kPitchBend, static_cast<uint8_t>(bend & 0x7F),
                               static_cast<uint8_t>(bend >> 7), 0x82, 0x00, kControl, controller,
                               static_cast<uint8_t>(loudnessValue(track.volume[i])), 0});
    }
    if (n == 0) {
        out.insert(out.end(), {0, 0, 0});  // a rest completes the header's Note On
    } else if (sounding != 0) {
        // Only a track that breaks the final-rest rule gets here; its last note must end.
        out.insert(out.end(), {kNoteOn, dataByte(sounding), 0, 0});
    }
}

// Plain notes: each run of equal frameNote values is one Note On, a delta of the run's
// length and a Note On with velocity 0 (running status throughout).
void encodeQuantized(std::vector<uint8_t>& out, const FrameTrack& track) {
    const int n = track.frameCount();
    // Low 8 bits as stored; a value that is no data byte is silence rather than a bad file.
    auto noteAt = [&](int i) {
        const int low = track.note[i] & 0xFF;
        return low > 127 ? 0 : low;
    };
    int i = 0;
    while (i < n) {
        const int note = noteAt(i);
        int end = i + 1;
        while (end < n && end - i < kMaxRunFrames && noteAt(end) == note) ++end;
        const uint8_t velocity = note != 0 ? uint8_t{kQuantizedVelocity} : uint8_t{0};
        out.insert(out.end(), {static_cast<uint8_t>(note), velocity});
        putVlq(out, static_cast<uint32_t>(end - i) * kTicksPerFrame);
        out.insert(out.end(), {static_cast<uint8_t>(note), 0, 0});
        i = end;
    }
    if (n == 0) out.insert(out.end(), {0, 0, 0});
}

}  // namespace

std::vector<uint8_t> buildMidiFile(const FrameTrack& track, const ProjectSettings& settings) {
    std::vector<uint8_t> out;
    out.reserve(kTrackEventsAt + 16 + static_cast<size_t>(track.frameCount()) * 16);
    putHeader(out, settings.get(Setting::Instrument));
    if (settings.get(Setting::QuantizeMode) == kAsIs) encodeAsSung(out, track, settings);
    else encodeQuantized(out, track);
    out.insert(out.end(), {0xFF, 0x2F, 0x00});
    const uint32_t length = static_cast<uint32_t>(out.size() - kTrackEventsAt);
    for (int k = 0; k < 4; ++k) out[kTrackLengthAt + k] = static_cast<uint8_t>(length >> (24 - 8 * k));
    return out;
}

std::optional<std::string> writeMidi(const std::string& path, const FrameTrack& track,
                                     const ProjectSettings& settings) {
    std::string reason;
    if (writeFileAtomically(path, buildMidiFile(track, settings), &reason)) return std::nullopt;
    return reason;
}

}  // namespace hummwell
