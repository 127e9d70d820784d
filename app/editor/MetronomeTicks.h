// The "Metronome Tick Control" dialog without its widgets: the channel, instrument, note and
// velocity of the measure tick and of the beat tick, with the dialog's rules. On the
// percussion channel a tick has no instrument and its note is a drum; elsewhere its note is
// the key note of an octave. A tick may not share the note channel.
#pragma once

#include "document/ProjectSettings.h"

#include <array>
#include <string>
#include <vector>

namespace hummwell {

class ViewState;

inline constexpr char kMetronomeDialogTitle[] = "Metronome Tick Control";
inline constexpr char kTickChannelConflict[] = "Metronome channel can not be the same as MIDI out channel";

// "Channel-1" .. "Channel-16", with "Channel-10 Percussion".
std::vector<std::string> tickChannelLabels();
// The General MIDI drum keys 35 .. 81, index 0 is key 35.
const std::array<const char*, 47>& percussionLabels();
// "Octave 2 Key Note" .. "Octave 7 Key Note": index i is note 12 (i + 3) less the key's offset.
const std::array<const char*, 6>& octaveLabels();
// "000" .. "127".
std::vector<std::string> velocityLabels();

enum class TickSound { Measure = 0, Beat = 1 };
enum class NoteList { Percussion, Octaves };

struct TickChoice {
    int channel = kPercussionChannel;
    int instrument = 0;
    int note = 0;  // an index into the tick's note list
    int velocity = 0;
};

class MetronomeTicks {
public:
    // The dialog opening on the view's eight tick settings; each note list is filled for its
    // channel and its note preselected (measure: the snare or octave 5, beat: the closed hi-hat
    // or octave 4).
    explicit MetronomeTicks(const ProjectSettings& settings);

    const TickChoice& choice(TickSound t) const { return ticks_[index(t)]; }
    bool instrumentEnabled(TickSound t) const { return choice(t).channel != kPercussionChannel; }
    NoteList noteList(TickSound t) const;

    // A channel chosen in a tick's list. The note channel is refused: the list moves to
    // channel 2 (or 1, when the note channel is 1) and the message to show is returned; an
    // empty string otherwise. Moving onto or off the percussion channel refills the note list
    // and preselects its note.
    std::string chooseChannel(TickSound t, int channel);
    void chooseInstrument(TickSound t, int instrument) { ticks_[index(t)].instrument = instrument; }
    void chooseNote(TickSound t, int note) { ticks_[index(t)].note = note; }
    void chooseVelocity(TickSound t, int velocity) { ticks_[index(t)].velocity = velocity; }

    // OK: all eight values into the view's settings.
    void applyTo(ViewState& view) const;

private:
    static int index(TickSound t) { return static_cast<int>(t); }
    void preselectNote(TickSound t);

    std::array<TickChoice, 2> ticks_;
    std::array<int, 2> previousChannel_{};
    int midiChannel_;
};

}  // namespace hummwell
