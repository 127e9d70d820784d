// Transcribes samples through the live path: the gate set as the level set-up sets it, then a
// pushed-sample run of the engine feeding the live transcriber exactly as a recording does,
// without the count-in; the note finder after it, on the look-ahead path.
#pragma once

#include "document/LookAhead.h"
#include "document/FrameTrack.h"
#include "document/LiveTranscriber.h"
#include "document/ProjectSettings.h"
#include "document/VolumeControlFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hummwell::cli {

inline constexpr int kEngineRate = 44100;

// What the engine said of one block, as the frames table shows it.
struct BlockRecord {
    double level = 0.0;
    double pitch = 0.0;
    double clarity = 0.0;
    int noteState = 0;
    double outcome = 0.0;
    Periodicity periodicity;  // of the input up to the block's end, at its pitch
};

// Where the noise floor comes from.
enum class FloorSource {
    Calibrated,  // the level set-up's calibration over the first 200 blocks of the input
    Given,       // VolumeSettings::floorLevel as it is (from a volume control file or --floor)
};

struct LevelSetup {
    VolumeSettings volume;
    FloorSource floor = FloorSource::Calibrated;
    // The levels the engine analyses with instead of the volume settings' (the look-ahead
    // path's, from the input's own levels): the note finder decides by periodicity what the
    // live transcriber leaves to the level.
    std::optional<AnalysisLevels> engineLevels;
};

// How notes are found: by the live transcriber, frame by frame, as a recording does, or by the
// note finder over the whole take.
enum class NoteMethod { Live, LookAhead };

// A project made from audio: its track and settings, the live transcriber and the engine that
// feeds it, and what the engine said of every block.
class FileTranscription {
public:
    FileTranscription() = default;
    ~FileTranscription();
    FileTranscription(const FileTranscription&) = delete;
    FileTranscription& operator=(const FileTranscription&) = delete;

    // Blocks that fit the track: every frame but its closing rest and the one that the last
    // block's decision waits for.
    int blockCapacity() const { return maxFrames - 2; }
    double capacitySeconds() const;

    // Transcribes the samples `read` gives (mono, 44,100 Hz) into the track, as far as it
    // holds; a partial last block is completed with silence. They are pulled a second at a
    // time, so memory stays small whatever the input's length. Settings that shape how pitches
    // are read (key, scale, transpose, reference adjustment) must be set before. The track is
    // left unquantized ("As Is"), as a recording leaves it. `progress` is called now and then
    // with the seconds done. Without any sample nothing is recorded.
    using SampleReader = hummwell::SampleReader;  // fewer: the end
    using Progress = std::function<void(double secondsDone)>;
    void run(const SampleReader& read, const LevelSetup& setup, const Progress& progress = {});
    void run(const std::vector<int16_t>& samples, const LevelSetup& setup,
             const Progress& progress = {});

    // Re-decides the track's notes with the note finder from the engine's blocks, and gives
    // the track their pitches and volumes. Call after run.
    void findNotes();
    // Notes in the mode given, from the settings' key and scale.
    void quantize(int mode);

    ProjectSettings settings;
    FrameTrack track;
    int maxFrames = kDefaultMaxFrames;
    // The live transcriber's track, kept by findNotes before it changes the track.
    std::optional<FrameTrack> liveTrack;

    // After run: the engine's blocks (one per block transcribed), the levels used, whether the
    // input went on past the track's capacity.
    std::vector<BlockRecord> blocks;
    VolumeSettings volume;
    LevelThresholds levels{};
    bool cut = false;

private:
    static int onFrame(const FrameResult* result);
    void onBlock(const FrameResult& result);
    void calibrate(const std::vector<int16_t>& head);
    LiveTranscriber transcriber_;
    bool recordBlocks_ = false;
    // The samples sent, for the periodicity of each block the engine hands back.
    PeriodicityMeter meter_;
};

// Sets the engine up for runs on pushed samples, once per process: it needs no microphone and
// its messages go to stderr.
void prepareEngine();

}  // namespace hummwell::cli
