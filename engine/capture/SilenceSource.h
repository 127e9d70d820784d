// A capture source without hardware that delivers digital silence at the pace of a real
// microphone.
#pragma once

#include "PacedSource.h"

#include <cstring>

namespace tonik {

class SilenceSource final : public PacedSource {
public:
    using PacedSource::PacedSource;
    CaptureOpenResult open() override { return CaptureOpenResult::Ok; }

protected:
    void fill(int16_t* out, long long, int count) override {
        std::memset(out, 0, sizeof(int16_t) * static_cast<size_t>(count));
    }
};

}  // namespace tonik
