// Audio files as hummwell-cli and the file capture source read them: any format libsndfile
// knows, mixed, resampled and quantised as a stream. At most a second of each is decoded, so
// that an input stays quick to run; then back to the start and a little of it again.
#include "AudioFileStream.h"
#include "FuzzInput.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzzing::MemoryFile file(data, size);
    tonik::AudioFileStream stream;
    if (!stream.open(file.path())) return 0;
    std::vector<int16_t> out(44100);
    stream.read(out.data(), out.size());
    if (stream.rewind()) stream.read(out.data(), 1000);
    return 0;
}
