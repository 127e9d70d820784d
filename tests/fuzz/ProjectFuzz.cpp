// The project reader, and everything that computes with what it read: the quantizer in all
// four modes and the MIDI export.
#include "FuzzInput.h"
#include "document/MidiExport.h"
#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"
#include "document/ViewState.h"

#include <optional>

namespace {

using namespace hummwell;

struct Silent final : UserPrompt {
    PromptAnswer message(const std::string&, const std::string&, PromptIcon, PromptButtons) override {
        return PromptAnswer::Ok;
    }
    std::optional<std::string> chooseFileToOpen(const FileChoice&) override { return {}; }
    std::optional<std::string> chooseFileToSave(const FileChoice&) override { return {}; }
};

struct Inert final : PitchInput {
    void start() override {}
    void stop() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Silent prompt;
    QuietSurface surface;
    QuietOutput output;
    Inert input;
    ViewState view(prompt, surface, output, input);
    // A small track, so that inputs of a few kilobytes already reach past its end and are cut.
    view.maxFrames = 200;
    const fuzzing::MemoryFile file(data, size);
    if (!readProjectFile(view, file.path())) return 0;
    for (int mode : {kAsIs, kBasic, kRelative, kNoteQuantize}) {
        view.setSetting(Setting::QuantizeMode, mode);
        const std::vector<uint8_t> midi = buildMidiFile(view.track, view.settings);
        if (midi.size() < 14) __builtin_trap();  // a header at the least
    }
    return 0;
}
