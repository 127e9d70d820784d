#include "ProjectSettings.h"

namespace hummwell {

namespace {
constexpr double kBeatMsBySpeed[5] = {1000.0, 750.0, 500.0, 375.0, 250.0};
constexpr int kSixEight = 3;

bool inRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }
}  // namespace

bool ProjectSettings::store(Setting s, int32_t v) {
    int32_t& held = values[static_cast<int>(s)];
    if (held == v) return false;
    held = v;
    return true;
}

bool ProjectSettings::isValid(Setting s, int32_t v) const {
    switch (s) {
    case Setting::Speed: return inRange(v, 0, 4);
    case Setting::Metre: return inRange(v, 0, 3);
    case Setting::Key: return inRange(v, 0, 11);
    case Setting::Scale: return inRange(v, 0, 1);
    case Setting::MeasureTickChannel:
    case Setting::BeatTickChannel:
    case Setting::MidiChannel: return inRange(v, 0, 15);
    case Setting::MeasureTickInstrument:
    case Setting::MeasureTickVelocity:
    case Setting::BeatTickInstrument:
    case Setting::BeatTickVelocity:
    case Setting::Instrument: return inRange(v, 0, 127);
    case Setting::MeasureTickNote:
        return inRange(v, 0, get(Setting::MeasureTickChannel) == kPercussionChannel ? 46 : 5);
    case Setting::BeatTickNote:
        return inRange(v, 0, get(Setting::BeatTickChannel) == kPercussionChannel ? 46 : 5);
    case Setting::RefKeyAdjust: return inRange(v, 0, 200);
    case Setting::Transpose: return inRange(v, 0, 10);
    case Setting::QuantizeMode: return inRange(v, 0, 3);
    case Setting::VelocityOutMode: return inRange(v, 0, 1);
    case Setting::MetronomeOn:
    case Setting::RealtimeOutOn: return true;
    }
    return false;
}

double ProjectSettings::beatMs() const {
    const int speed = get(Setting::Speed);
    const double beat = inRange(speed, 0, 4) ? kBeatMsBySpeed[speed] : 500.0;
    return get(Setting::Metre) == kSixEight ? beat / 2.0 : beat;
}

double ProjectSettings::measureMs() const {
    const int metre = get(Setting::Metre);
    if (metre == kSixEight) return 3.0 * beatMs() * 2.0;
    return (metre + 2) * beatMs();  // 2/4, 3/4, 4/4
}

int ProjectSettings::beatsPerMeasure() const {
    const int metre = get(Setting::Metre);
    return metre == kSixEight ? 6 : metre + 2;
}

int ProjectSettings::keyOffset() const { return ((3 - get(Setting::Key)) % 12 + 12) % 12; }

}  // namespace hummwell
