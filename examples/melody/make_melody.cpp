// Writes the bundled example, a sung-like melody of known notes, as 16-bit FLAC.
// Usage: make_melody OUT.flac [RATE [CHANNELS [REPEATS]]]   (defaults 44100 1 1)
#include "SungMelody.h"

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 5) {
        std::fprintf(stderr, "usage: make_melody OUT.flac|OUT.wav [RATE [CHANNELS [REPEATS]]]\n");
        return 2;
    }
    const int rate = argc > 2 ? std::atoi(argv[2]) : 44100;
    const int channels = argc > 3 ? std::atoi(argv[3]) : 1;
    const int repeats = argc > 4 ? std::atoi(argv[4]) : 1;
    if (rate < 8000 || rate > 192000 || channels < 1 || channels > 8 || repeats < 1 || repeats > 100) {
        std::fprintf(stderr, "make_melody: rate 8000..192000, channels 1..8, repeats 1..100\n");
        return 2;
    }
    const std::string path = argv[1];
    const bool wav = path.size() > 4 && path.compare(path.size() - 4, 4, ".wav") == 0;
    const sungmelody::Melody melody = sungmelody::exampleMelody(repeats);
    const std::vector<int16_t> pcm = sungmelody::toPcm16(sungmelody::render(melody, rate, channels));

    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = (wav ? SF_FORMAT_WAV : SF_FORMAT_FLAC) | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "make_melody: %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return 1;
    }
    const sf_count_t frames = static_cast<sf_count_t>(pcm.size()) / channels;
    const bool ok = sf_writef_short(file, pcm.data(), frames) == frames;
    sf_close(file);
    if (!ok) {
        std::fprintf(stderr, "make_melody: %s: cannot write the samples\n", path.c_str());
        std::remove(path.c_str());
        return 1;
    }
    std::printf("%s: %zu notes, %.2f s at %d Hz, %d channel(s)\n", path.c_str(), melody.notes.size(),
                melody.seconds, rate, channels);
    return 0;
}
