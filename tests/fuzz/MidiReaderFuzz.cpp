// The Standard MIDI File reader of hummwell-cli's info.
#include "MidiReader.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hummwell::cli::MidiFileContents m;
    std::string error;
    if (!hummwell::cli::readMidiFile(std::vector<uint8_t>(data, data + size), m, error)) return 0;
    if (!std::isfinite(m.seconds)) __builtin_trap();  // every accepted file has a duration
    return 0;
}
