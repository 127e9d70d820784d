#include "SettingLabels.h"

#include <cstdio>
#include <cstdlib>

namespace hummwell {

namespace {
template <size_t N>
std::string labelOf(const std::array<const char*, N>& labels, int value) {
    return value >= 0 && value < static_cast<int>(N) ? labels[value] : std::to_string(value);
}
}  // namespace

std::string refKeyAdjustLabel(int index) {
    const int percent = 100 - index;
    if (percent == 0) return " 000 %";
    char text[16];
    std::snprintf(text, sizeof text, "%c%03d %%", percent > 0 ? '+' : '-', std::abs(percent));
    return text;
}

std::string midiChannelLabel(int index) { return "MIDI Channel " + std::to_string(index + 1); }

std::string transposeLabel(int index) {
    const int octaves = 5 - index;
    if (octaves == 0) return "No Transpose";
    return (octaves > 0 ? "+" : "-") + std::to_string(std::abs(octaves)) + " Octaves";
}

std::string settingValueLabel(Setting s, int value) {
    switch (s) {
    case Setting::Speed: return labelOf(kSpeedLabels, value);
    case Setting::Metre: return labelOf(kMetreLabels, value);
    case Setting::Key: return labelOf(kKeyLabels, value);
    case Setting::Scale: return labelOf(kScaleLabels, value);
    case Setting::QuantizeMode: return labelOf(kQuantizeLabels, value);
    case Setting::VelocityOutMode: return labelOf(kVelocityOutLabels, value);
    case Setting::RefKeyAdjust:
        return value >= 0 && value <= 200 ? refKeyAdjustLabel(value) : std::to_string(value);
    case Setting::Transpose:
        return value >= 0 && value <= 10 ? transposeLabel(value) : std::to_string(value);
    case Setting::MidiChannel: return midiChannelLabel(value);
    case Setting::Instrument: return labelOf(kInstrumentLabels, value);
    case Setting::MetronomeOn:
    case Setting::RealtimeOutOn: return value ? "On" : "Off";
    default: return std::to_string(value);
    }
}

}  // namespace hummwell
