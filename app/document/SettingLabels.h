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

// The General MIDI programs, numbered from 1; since every name starts with its number, the
// sorted list the panel keeps is in program order and the index is the program.
inline constexpr std::array<const char*, 128> kInstrumentLabels = {
    "001 Acoustic Grand Piano",
    "002 Bright Acoustic Piano",
    "003 Electric Grand Piano",
    "004 Honky-tonk Piano",
    "005 Rhodes Piano",
    "006 Chorused Piano",
    "007 Harpsichord",
    "008 Clavinet",
    "009 Celesta",
    "010 Glockenspiel",
    "011 Music Box",
    "012 Vibraphone",
    "013 Marimba",
    "014 Xylophone",
    "015 Tubular Bells",
    "016 Dulcimer",
    "017 Hammond Organ",
    "018 Percussive Organ",
    "019 Rock Organ",
    "020 Church Organ",
    "021 Reed Organ",
    "022 Accordian",
    "023 Harmonica",
    "024 Tango Accordian",
    "025 Acoustic Guitar (nylon)",
    "026 Acoustic Guitar (steel)",
    "027 Electric Guitar (jazz)",
    "028 Electric Guitar (clean)",
    "029 Electric Guitar (muted)",
    "030 Overdriven Guitar",
    "031 Distortion Guitar",
    "032 Guitar Harmonics",
    "033 Acoustic Bass",
    "034 Electric Bass (finger)",
    "035 Electric Bass (pick)",
    "036 Fretless Bass",
    "037 Slap Bass 1",
    "038 Slap Bass 2",
    "039 Synth Bass 1",
    "040 Synth Bass 2",
    "041 Violin",
    "042 Viola",
    "043 Cello",
    "044 Contrabass",
    "045 Tremolo Strings",
    "046 Pizzicato Strings",
    "047 Orchestral Harp",
    "048 Timpani",
    "049 String Ensemble 1",
    "050 String Ensemble 2",
    "051 Synth Strings 1",
    "052 Synth Strings 2",
    "053 Choir Aahs",
    "054 Voice Oohs",
    "055 Synth Voice",
    "056 Orchestra Hit",
    "057 Trumpet",
    "058 Trombone",
    "059 Tuba",
    "060 Muted Trumpet",
    "061 French Horn",
    "062 Brass Section",
    "063 Synth Brass 1",
    "064 Synth Brass 2",
    "065 Soprano Sax",
    "066 Alto Sax",
    "067 Tenor Sax",
    "068 Baritone Sax",
    "069 Oboe",
    "070 English Horn",
    "071 Bassoon",
    "072 Clarinet",
    "073 Piccolo",
    "074 Flute",
    "075 Recorder",
    "076 Pan Flute",
    "077 Bottle Blow",
    "078 Shakuhachi",
    "079 Whistle",
    "080 Ocarina",
    "081 Lead 1 (square)",
    "082 Lead 2 (sawtooth)",
    "083 Lead 3 (caliope lead)",
    "084 Lead 4 (chiff lead)",
    "085 Lead 5 (charang)",
    "086 Lead 6 (voice)",
    "087 Lead 7 (fifths)",
    "088 Lead 8 (brass + lead)",
    "089 Pad 1 (new age)",
    "090 Pad 2 (warm)",
    "091 Pad 3 (polysynth)",
    "092 Pad 4 (choir)",
    "093 Pad 5 (bowed)",
    "094 Pad 6 (metallic)",
    "095 Pad 7 (halo)",
    "096 Pad 8 (sweep)",
    "097 FX 1 (rain)",
    "098 FX 2 (soundtrack)",
    "099 FX 3 (crystal)",
    "100 FX 4 (atmosphere)",
    "101 FX 5 (brightness)",
    "102 FX 6 (goblins)",
    "103 FX 7 (echoes)",
    "104 FX 8 (sci-fi)",
    "105 Sitar",
    "106 Banjo",
    "107 Shamisen",
    "108 Koto",
    "109 Kalimba",
    "110 Bagpipe",
    "111 Fiddle",
    "112 Shanai",
    "113 Tinkle Bell",
    "114 Agogo",
    "115 Steel Drums",
    "116 Woodblock",
    "117 Taiko Drum",
    "118 Melodic Tom",
    "119 Synth Drum",
    "120 Reverse Cymbal",
    "121 Guitar Fret Noise",
    "122 Breath Noise",
    "123 Seashore",
    "124 Bird Tweet",
    "125 Telephone Ring",
    "126 Helicopter",
    "127 Applause",
    "128 Gunshot",
};
inline constexpr int kMidiChannels = 16;

// The Status box for each transport state (idle, recording, playing, new project).
inline constexpr std::array<const char*, 4> kTransportStatusLabels = {
    "Editable MIDI Sound", "Record MIDI Sound", "Play MIDI Sound", "New Project"};

// "MIDI Channel 1" for index 0 through "MIDI Channel 16".
std::string midiChannelLabel(int index);
// "+100 %" for index 0 through " 000 %" (100) to "-100 %" (200); one percent is one cent.
std::string refKeyAdjustLabel(int index);
// "+5 Octaves" for index 0 through "No Transpose" (5) to "-5 Octaves" (10).
std::string transposeLabel(int index);

// The text of a setting's value as the panel shows it; the number itself for settings the
// panel shows as numbers and for values out of range.
std::string settingValueLabel(Setting s, int value);

}  // namespace hummwell
