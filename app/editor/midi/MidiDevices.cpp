// The MIDI output by the user's choice: HUMMWELL_MIDI_OUT, or the value given to it.
#include "AlsaSequencerDevice.h"
#include "FluidSynthDevice.h"
#include "MidiDevice.h"

#include <cstdlib>

namespace hummwell {

std::unique_ptr<MidiDevice> midiDeviceFor(const std::string& choice, std::string& problem) {
    if (choice == "internal") return std::make_unique<FluidSynthDevice>();
    if (choice == "none") return std::make_unique<SilentMidiDevice>();
    if (choice == "alsa") return std::make_unique<AlsaSequencerDevice>();
    constexpr std::string_view kAlsaPrefix = "alsa:";
    if (choice.size() > kAlsaPrefix.size() && choice.starts_with(kAlsaPrefix))
        return std::make_unique<AlsaSequencerDevice>(choice.substr(kAlsaPrefix.size()));
    problem = "unknown MIDI output '" + choice + "' (internal, alsa, alsa:CLIENT:PORT or none)";
    return nullptr;
}

std::unique_ptr<MidiDevice> midiDeviceFromEnvironment(std::string& problem) {
    const char* choice = std::getenv("HUMMWELL_MIDI_OUT");
    return midiDeviceFor(choice && *choice ? choice : "internal", problem);
}

}  // namespace hummwell
