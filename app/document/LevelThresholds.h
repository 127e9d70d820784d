// The levels that map a frame's loudness to a MIDI velocity and decide where a live note may
// start, in library dB. The level set-up derives them from its settings (deriveLevels); until
// then, those of its default settings hold.
#pragma once

namespace hummwell {

struct LevelThresholds {
    double noiseLevel = -25.0;         // velocity 0; the noise gate
    double topLevel = -12.5;           // velocity 127
    double levelSpan = 0.09765625;     // one velocity step
    double onsetLevel = -22.265625;    // velocity 28: a frame after a rest at or above it starts a note
};

}  // namespace hummwell
