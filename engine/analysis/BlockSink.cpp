#include "BlockSink.h"

namespace tonik {

int BlockSink::blockSink(const int16_t* samples, int count) {
    // A null buffer would deliver the previous block again as if it were new.
    if (samples == nullptr) return 0;
    int delivered = 0;
    while (count >= kBlockSize) {
        const int blocksPending = count / kBlockSize;  // this one included
        store_.pushBlock(samples);
        store_.computeStatistics();
        if (settings_.mode.load(std::memory_order_relaxed) == BlockMode::Pitch)
            analysis_.analyzeBlock(store_, blocksPending, store_.result());
        delivered = target_.deliverBlock();
        samples += kBlockSize;
        count -= kBlockSize;
    }
    return delivered;
}

}  // namespace tonik
