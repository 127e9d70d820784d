// How late the live monitor strikes a sung note: the sung melody (12 notes with known onsets)
// pushed block by block through the engine into a take with "Real-time MIDI message out" on,
// and every note-on caught on a recording MIDI device with the block during whose delivery
// it was sent. The latency of a note is the end of that block (when the capture thread could
// first have had it) less the sung onset, in audio time: it holds on any machine. The sound
// card's capture period and the synthesizer's output come on top (see MidiLatencyBench).
#include "FileTranscription.h"
#include "document/ViewState.h"
#include "document/VolumeControlFile.h"
#include "editor/midi/MidiDevice.h"
#include "editor/MidiOutput.h"
#include "document/MidiStatus.h"
#include "melody/SungMelody.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace hummwell;

constexpr int kBlock = 512;
constexpr double kRate = 44100.0;

// The note-ons of the take, each with the block being delivered when it was sent.
class NoteOnDevice final : public MidiDevice {
public:
    explicit NoteOnDevice(const int& block) : block_(block) {}
    bool open(std::string&) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void send(uint32_t packed) override {
        if ((packed & 0xF0) == kNoteOn && ((packed >> 16) & 0x7F) > 0)
            noteOns.push_back({static_cast<int>((packed >> 8) & 0x7F), block_});
    }
    struct NoteOn {
        int key, block;
    };
    std::vector<NoteOn> noteOns;

private:
    const int& block_;
    bool open_ = false;
};

// Nobody answers during a benchmark.
struct SilentPrompt final : UserPrompt {
    PromptAnswer message(const std::string&, const std::string&, PromptIcon, PromptButtons) override {
        return PromptAnswer::Ok;
    }
    std::optional<std::string> chooseFileToOpen(const FileChoice&) override { return {}; }
    std::optional<std::string> chooseFileToSave(const FileChoice&) override { return {}; }
};

struct Take {
    SilentPrompt prompt;
    QuietSurface surface;
    int block = -1;
    NoteOnDevice* device = nullptr;
    std::unique_ptr<MidiOutput> output;
    struct Pushed final : PitchInput {
        void start() override { tonik_start_file(nullptr, &Take::onFrame); }
        void stop() override { tonik_stop_file(); }
    } input;
    std::unique_ptr<ViewState> view;
    static inline Take* active = nullptr;

    Take() {
        auto d = std::make_unique<NoteOnDevice>(block);
        device = d.get();
        output = std::make_unique<MidiOutput>(std::move(d), prompt);
        view = std::make_unique<ViewState>(prompt, surface, *output, input);
        output->attach(*view);
        view->setSetting(Setting::RealtimeOutOn, 1);
        view->setSetting(Setting::MetronomeOn, 0);
    }
    static int onFrame(const FrameResult* r) {
        ++active->block;
        active->view->onFrameResult(*r);
        return 1;
    }

    // The level set-up as the program makes it: the floor from the first blocks, the gate
    // handed to the engine at the end of a volume run.
    void run(const std::vector<int16_t>& samples) {
        cli::prepareEngine();
        VolumeSettings volume;
        FloorCalibration calibration;
        for (size_t b = 0; b < std::min<size_t>(samples.size() / kBlock, 200); ++b)
            calibration.observe(blockLevel(&samples[b * kBlock]), volume.floorLevel);
        const LevelThresholds d = deriveLevels(volume);
        view->levels = d;
        tonik_volume_start(nullptr, [](const LevelResult*) { return 1; });
        tonik_volume_stop(d.noiseLevel);

        active = this;
        block = -1;
        device->noteOns.clear();
        view->track.reset();
        view->cursorFrame = 0;
        view->transportState = kEmptyProject;
        view->record(ViewState::CountIn::None);
        for (size_t b = 0; b + kBlock <= samples.size(); b += kBlock)
            tonik_send(samples.data() + b, kBlock, 0);
        view->stop();
        active = nullptr;
    }
};

void liveMonitorNoteOn(benchmark::State& state) {
    const sungmelody::Melody melody = sungmelody::exampleMelody();
    const std::vector<int16_t> samples = sungmelody::toPcm16(sungmelody::render(melody, 44100, 1));
    Take take;
    std::vector<double> latencies;
    for (auto _ : state) {
        take.run(samples);
        latencies.clear();
        // Each sung note to the first note-on of its key sent after it began.
        for (const sungmelody::Note& n : melody.notes)
            for (const NoteOnDevice::NoteOn& on : take.device->noteOns) {
                const double sent = (on.block + 1) * kBlock / kRate;
                if (on.key == n.midi && sent >= n.startSeconds && sent < n.startSeconds + n.seconds) {
                    latencies.push_back(1000.0 * (sent - n.startSeconds));
                    break;
                }
            }
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["notes_struck"] = static_cast<double>(latencies.size());
    state.counters["notes_sung"] = static_cast<double>(melody.notes.size());
    if (!latencies.empty()) {
        state.counters["median_ms"] = latencies[latencies.size() / 2];
        state.counters["min_ms"] = latencies.front();
        state.counters["max_ms"] = latencies.back();
    }
    state.counters["blocks"] = static_cast<double>(take.block + 1);
}
BENCHMARK(liveMonitorNoteOn)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
