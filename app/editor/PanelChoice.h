// What the control panel may choose: the note channel must differ from both metronome tick
// channels. A project file that is opened keeps its own rules.
#pragma once

#include "document/ProjectSettings.h"

namespace hummwell {

class ViewState;

inline constexpr char kRecordingChannelConflict[] =
    "Recording channel should be different from Metronome channel";

// False, after the message ("ERROR", exclamation) and with the list put back on the channel
// kept, when `value` would make the note channel a tick's; true for every other choice.
bool panelChoiceAllowed(ViewState& view, Setting setting, int value);

}  // namespace hummwell
