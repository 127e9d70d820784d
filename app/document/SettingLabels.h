// The texts under which the control panel lists the settings' values, for every place that
// names a setting to the user.
#pragma once

#include "ProjectSettings.h"

#include <array>
#include <string>

namespace hummwell {

inline constexpr std::array<const char*, 5> kSpeedLabels = {"60 bpm", "90 bpm", "120 bpm",
                                                             "180 bpm", "240 bpm"};
inline constexpr std::array<const char*, 4> kMetreLabels = {"2 / 4", "3 / 4", "4 / 4", "6 / 8"};
// Sorted as the list keeps them, so that the index is the key setting.
inline constexpr std::array<const char*, 12> kKeyLabels = {
    "A Major",  "A# (Bb) Major", "B Major", "C Major",       "C# (Db) Major", "D Major",
    "D# (Eb) Major", "E Major",  "F Major", "F# (Gb) Major", "G Major",       "G# (Ab) Major"};
inline constexpr std::array<const char*, 2> kScaleLabels = {"Chromatic Scale", "Diatonic Scale"};
inline constexpr std::array<const char*, 4> kQuantizeLabels = {
    "As Is - No Quantize", "Basic Quantizing", "Relative Quantizing", "Note Quantizing"};
inline constexpr std::array<const char*, 2> kVelocityOutLabels = {"to Channel Volume",
                                                                  "to Expression"};

// "+100 %" for index 0 through " 000 %" (100) to "-100 %" (200); one percent is one cent.
std::string refKeyAdjustLabel(int index);
// "+5 Octaves" for index 0 through "No Transpose" (5) to "-5 Octaves" (10).
std::string transposeLabel(int index);

// The text of a setting's value as the panel shows it; the number itself for settings the
// panel shows as numbers and for values out of range.
std::string settingValueLabel(Setting s, int value);

}  // namespace hummwell
