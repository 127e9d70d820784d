// The volume control file reader and the levels derived from what it accepts.
#include "FuzzInput.h"
#include "document/UserPrompt.h"
#include "document/VolumeControlFile.h"

#include <cmath>
#include <optional>

namespace {
struct Silent final : hummwell::UserPrompt {
    hummwell::PromptAnswer message(const std::string&, const std::string&, hummwell::PromptIcon,
                                   hummwell::PromptButtons) override {
        return hummwell::PromptAnswer::Ok;
    }
    std::optional<std::string> chooseFileToOpen(const hummwell::FileChoice&) override { return {}; }
    std::optional<std::string> chooseFileToSave(const hummwell::FileChoice&) override { return {}; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Silent prompt;
    hummwell::VolumeSettings settings;
    const fuzzing::MemoryFile file(data, size);
    if (!hummwell::loadVolumeFile(file.path(), settings, prompt)) return 0;
    // What is accepted must give finite levels: the gate reaches the engine.
    const hummwell::LevelThresholds d = hummwell::deriveLevels(settings);
    if (!std::isfinite(d.noiseLevel) || !std::isfinite(d.onsetLevel) || !std::isfinite(d.levelSpan))
        __builtin_trap();
    return 0;
}
