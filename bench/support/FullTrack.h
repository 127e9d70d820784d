// A full track for the benchmarks: 32,766 frames of notes, about 6 min 20 s, on a view state
// whose devices do nothing.
#pragma once

#include "document/ViewState.h"

#include <cmath>
#include <optional>
#include <string>

namespace hummwell {

// Notes of 40 frames with a slow vibrato, one rest frame between them.
struct FullTrack {
    QuietSurface surface;
    QuietOutput output;
    struct : UserPrompt {
        PromptAnswer message(const std::string&, const std::string&, PromptIcon, PromptButtons) override {
            return PromptAnswer::Ok;
        }
        std::optional<std::string> chooseFileToOpen(const FileChoice&) override { return {}; }
        std::optional<std::string> chooseFileToSave(const FileChoice&) override { return {}; }
    } prompt;
    struct : PitchInput {
        void start() override {}
        void stop() override {}
    } input;
    ViewState view{prompt, surface, output, input};

    explicit FullTrack(int mode) {
        view.setSetting(Setting::QuantizeMode, mode);
        FrameTrack& t = view.track;
        t.clear();
        const int n = kDefaultMaxFrames - 1;
        for (int i = 0; i < n - 1; ++i) {
            const int inNote = i % 41;
            if (inNote == 40) {
                t.append(Frame{});
                continue;
            }
            const double p = 55.0 + (i / 41) % 12 + 0.3 * std::sin(inNote * 0.4);
            t.append(Frame{p, 0, 80.0, inNote == 0 ? kMarkOnset : kMarkContinue, 0});
        }
        t.append(Frame{});
        view.transportState = kIdle;
        view.viewWidth = 600;
        view.cursorFrame = n / 2;
        view.requantize(0, view.frameCount());
    }
};

}  // namespace hummwell
