// Audio files as hummwell-cli reads them: any format libsndfile knows, mixed, resampled and
// quantised. At most a second of each is decoded, so that an input stays quick to run.
#include "AudioFile.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hummwell::cli::DecodedAudio audio;
    std::string error;
    const fuzzing::MemoryFile file(data, size);
    hummwell::cli::decodeAudio(file.path(), 1.0, audio, error);
    return 0;
}
