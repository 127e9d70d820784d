#include "MidiReader.h"

#include <algorithm>
#include <deque>
#include <map>
#include <utility>

namespace hummwell::cli {

namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 bpm

// A bounds-checked reader: every read past the end fails instead of reading on.
struct Cursor {
    const uint8_t* p;
    const uint8_t* end;
    bool ok = true;

    size_t left() const { return static_cast<size_t>(end - p); }
    uint32_t byte() {
        if (p >= end) return fail();
        return *p++;
    }
    uint32_t bigEndian(int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = (v << 8) | byte();
        return v;
    }
    uint32_t variableLength() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t b = byte();
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        return fail();  // more than four bytes
    }
    void skip(uint32_t n) {
        if (n > left()) {
            fail();
            return;
        }
        p += n;
    }
    uint32_t fail() {
        ok = false;
        p = end;
        return 0;
    }
};

struct Event {
    uint64_t tick;
    int track;
    int kind;  // 0 note off, 1 note on
    int channel, key, velocity;
};

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

// Seconds at a tick under the tempo map: the seconds at each tempo change are summed once,
// so that each look-up is a binary search and a file of many notes and many tempo changes is
// read in n log n, not n × m.
class TempoMap {
public:
    TempoMap(const std::vector<TempoChange>& sorted, int division) : division_(division) {
        if (division_ < 0) return;  // SMPTE: the tempo plays no part
        double seconds = 0.0;
        uint64_t at = 0;
        uint32_t tempo = kDefaultTempo;
        for (const TempoChange& t : sorted) {
            seconds += static_cast<double>(t.tick - at) * tempo / 1e6 / division_;
            at = t.tick;
            tempo = t.microsPerQuarter;
            spans_.push_back({at, seconds, tempo});
        }
    }
    double secondsAt(uint64_t tick) const {
        if (division_ < 0) {  // frames per second times ticks per frame
            const int fps = -(division_ >> 8);
            const int perFrame = division_ & 0xFF;
            return static_cast<double>(tick) / (fps * perFrame);
        }
        // The last change before `tick` (a change at `tick` itself applies only after it).
        const auto after = std::lower_bound(spans_.begin(), spans_.end(), tick,
                                            [](const Span& s, uint64_t t) { return s.tick < t; });
        if (after == spans_.begin())
            return static_cast<double>(tick) * kDefaultTempo / 1e6 / division_;
        const Span& s = *(after - 1);
        return s.seconds + static_cast<double>(tick - s.tick) * s.tempo / 1e6 / division_;
    }

private:
    struct Span {
        uint64_t tick;
        double seconds;
        uint32_t tempo;
    };
    int division_;
    std::vector<Span> spans_;
};

}  // namespace

bool readMidiFile(const std::vector<uint8_t>& bytes, MidiFileContents& out, std::string& error) {
    out = MidiFileContents{};
    Cursor c{bytes.data(), bytes.data() + bytes.size()};
    if (bytes.size() < 4 || c.bigEndian(4) != 0x4D546864 /* MThd */) {
        error = "not a Standard MIDI File (no MThd header)";
        return false;
    }
    const uint32_t headerLength = c.bigEndian(4);
    if (!c.ok || (headerLength >= 6 && headerLength > c.left())) {
        error = "truncated: the header runs past the end";
        return false;
    }
    if (headerLength < 6) {
        error = "not a Standard MIDI File (bad header length)";
        return false;
    }
    out.format = static_cast<int>(c.bigEndian(2));
    const int declaredTracks = static_cast<int>(c.bigEndian(2));
    out.division = static_cast<int16_t>(c.bigEndian(2));
    c.skip(headerLength - 6);
    if (out.format > 2 || out.division == 0) {
        error = "not a Standard MIDI File (format " + std::to_string(out.format) +
                ", division " + std::to_string(out.division) + ")";
        return false;
    }
    // An SMPTE division needs frames per second and ticks per frame, or no time can be told.
    if (out.division < 0 && ((out.division & 0xFF) == 0 || -(out.division >> 8) <= 0)) {
        error = "not a Standard MIDI File (SMPTE division with no ticks per frame)";
        return false;
    }

    std::vector<Event> events;
    std::vector<TempoChange> tempos;
    uint64_t lastTick = 0;
    while (c.ok && c.left() >= 8) {
        const uint32_t id = c.bigEndian(4);
        const uint32_t length = c.bigEndian(4);
        if (length > c.left()) {
            error = "truncated: a chunk runs past the end of the file";
            return false;
        }
        if (id != 0x4D54726B /* MTrk */) {  // unknown chunks are skipped, as readers must
            c.skip(length);
            continue;
        }
        const int track = out.trackCount++;
        Cursor t{c.p, c.p + length};
        c.skip(length);
        uint64_t tick = 0;
        uint32_t status = 0;
        bool ended = false;
        while (t.ok && t.left() > 0 && !ended) {
            tick += t.variableLength();
            uint32_t b = t.byte();
            if (!t.ok) break;
            if (b < 0x80) {  // running status: b is the first data byte
                if (status == 0) {
                    error = "track " + std::to_string(track + 1) + ": data byte without a status";
                    return false;
                }
                --t.p;
                b = status;
            }
            if (b == 0xFF) {
                const uint32_t type = t.byte();
                const uint32_t n = t.variableLength();
                if (type == 0x51 && n == 3) {
                    uint32_t micros = t.bigEndian(3);
                    if (micros == 0) {
                        // A beat of no time would stop the clock: every later note at one instant.
                        out.warnings.push_back("track " + std::to_string(track + 1) + ": a tempo of 0 microseconds per quarter note at tick " +
                                               std::to_string(tick) + " is not valid; 120 bpm is used from there");
                        micros = kDefaultTempo;
                    }
                    tempos.push_back({tick, micros});
                } else {
                    t.skip(n);
                }
                if (type == 0x2F) ended = true;
                status = 0;
            } else if (b == 0xF0 || b == 0xF7) {
                t.skip(t.variableLength());
                status = 0;
            } else if (b >= 0xF1) {
                error = "track " + std::to_string(track + 1) + ": system message in a file";
                return false;
            } else {
                status = b;
                const int kind = static_cast<int>(b >> 4);
                const int channel = static_cast<int>(b & 0x0F);
                const int d1 = static_cast<int>(t.byte());
                const int d2 = (kind == 0xC || kind == 0xD) ? 0 : static_cast<int>(t.byte());
                if (d1 > 127 || d2 > 127) {
                    error = "track " + std::to_string(track + 1) + ": data byte above 127";
                    return false;
                }
                if (kind == 0x9 && d2 > 0) events.push_back({tick, track, 1, channel, d1, d2});
                else if (kind == 0x8 || kind == 0x9) events.push_back({tick, track, 0, channel, d1, 0});
                else if (kind == 0xC) ++out.programChanges;
                else if (kind == 0xB) ++out.controllers;
                else if (kind == 0xE) ++out.pitchBends;
            }
        }
        if (!t.ok) {
            error = "track " + std::to_string(track + 1) + " is truncated";
            return false;
        }
        lastTick = std::max(lastTick, tick);
    }
    if (out.trackCount == 0) {
        error = "no track in the file";
        return false;
    }
    if (out.trackCount != declaredTracks) {
        error = "the header declares " + std::to_string(declaredTracks) + " tracks, the file holds " +
                std::to_string(out.trackCount);
        return false;
    }

    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    if (!tempos.empty() && tempos.front().tick == 0 && tempos.front().microsPerQuarter > 0)
        out.firstTempoBpm = 60e6 / tempos.front().microsPerQuarter;
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.kind < b.kind;  // offs before ons
    });
    // A note ends at the first note-off of its channel and key after it.
    std::map<std::pair<int, int>, std::deque<size_t>> sounding;
    std::vector<uint64_t> endTick;
    std::vector<uint64_t> startTick;
    for (const Event& e : events) {
        auto& open = sounding[{e.channel, e.key}];
        if (e.kind == 1) {
            open.push_back(out.notes.size());
            out.notes.push_back({e.channel, e.key, e.velocity, 0.0, 0.0});
            startTick.push_back(e.tick);
            endTick.push_back(lastTick);
        } else if (!open.empty()) {
            endTick[open.front()] = e.tick;
            open.pop_front();
        }
    }
    const TempoMap map(tempos, out.division);
    for (size_t i = 0; i < out.notes.size(); ++i) {
        out.notes[i].startSeconds = map.secondsAt(startTick[i]);
        out.notes[i].endSeconds = map.secondsAt(endTick[i]);
    }
    out.seconds = map.secondsAt(lastTick);
    return true;
}

}  // namespace hummwell::cli
