#include "AudioFileSource.h"

#include <algorithm>
#include <cstdio>

namespace tonik {

CaptureOpenResult AudioFileSource::open() {
    problem_.clear();
    position_ = 0;
    if (stream_.open(path_)) {
        // A take cut short still plays; whoever chose it should know why it ends early.
        if (stream_.promisedFrames() > stream_.sourceFrames())
            std::fprintf(stderr, "tonik: the capture file \"%s\" ends after %.2f s though its header "
                         "promises %.2f s\n", path_.c_str(), stream_.sourceSeconds(),
                         static_cast<double>(stream_.promisedFrames()) / stream_.sourceRate());
        return CaptureOpenResult::Ok;
    }
    problem_ = "ERROR: Can not use the capture file \"" + path_ + "\": " + stream_.error() + ".";
    return stream_.error() == "no such file" ? CaptureOpenResult::NoDevice
                                             : CaptureOpenResult::CannotConfigure;
}

void AudioFileSource::fill(int16_t* out, long long first, int count) {
    if (first < position_) {  // a new run starts from the top
        stream_.rewind();
        position_ = 0;
    }
    int16_t skipped[512];
    while (position_ < first) {  // blocks a run left unread
        const size_t n = stream_.read(skipped, static_cast<size_t>(std::min<long long>(512, first - position_)));
        if (n == 0) break;
        position_ += static_cast<long long>(n);
    }
    const size_t got = position_ == first ? stream_.read(out, static_cast<size_t>(count)) : 0;
    position_ = first + static_cast<long long>(got);
    std::fill(out + got, out + count, int16_t{0});
}

}  // namespace tonik
