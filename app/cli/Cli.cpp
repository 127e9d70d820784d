#include "Cli.h"

#include "FileTranscription.h"
#include "AudioFileStream.h"
#include "document/MidiExport.h"
#include "MidiReader.h"
#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"
#include "document/SafeFile.h"
#include "document/Quantizer.h"
#include "document/Scale.h"
#include "document/SettingLabels.h"
#include "document/TuningEstimate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>

namespace hummwell::cli {

namespace {

const char* const kProgram = "hummwell-cli";

// Wrong use of the command line (exit 2), and a failure of the work itself (exit 1).
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- Help texts -------------------------------------------------------------------------

const char* const kMainHelp = R"(usage: hummwell-cli COMMAND [OPTIONS]

Turns recordings of a sung, hummed or played melody into MIDI, through the same
transcription as recording from a microphone in Hummwell.

commands:
  transcribe IN -o OUT.mid|OUT.hwp   audio file to a MIDI file or a Hummwell project
  frames IN -o FRAMES.csv            what the engine and the transcriber saw, block by block
  export IN.hwp -o OUT.mid           a project to MIDI, optionally under other settings
  info FILE                          summary of a .hwp, .hvc or .mid file

Run "hummwell-cli COMMAND --help" for the options of a command.
)";

const char* const kNoteOptionsHelp = R"(
how notes are found:
  --notes lookahead|live   lookahead decides every note over the whole file: it splits
                        legato notes where the pitch moves on, keeps vibrato and glides
                        inside one note, finds notes in noise by their pitch rather than
                        their loudness, and drops clicks and octave slips; the noise floor
                        then comes from the quietest blocks of the whole file. live decides
                        frame by frame, exactly as a recording in Hummwell does
                        (default lookahead)

how pitches are read (before transcription):
  --key KEY             the key for the diatonic scale: C, C#, Db, D, ... B, or "C Major"
                        (default C)
  --scale chromatic|diatonic   notes snap to all twelve notes or to the key's seven
                        (default chromatic)
  --transpose -5..5     octaves added to every pitch (default 0)
  --ref-adjust -100..100   the reference tuning in cents, as the panel's Reference Key
                        Adjust: +20 reads every pitch 20 cents lower (default 0)
  --tuning 440|auto     auto measures how far the singer's own reference lies from
                        A4 = 440 Hz (within 50 cents, from the steady middles of the notes)
                        and rounds the notes from there, adding it to the Reference Key
                        Adjust: a take sung 40 cents flat gives the notes it meant
                        (default 440)

how notes are written:
  --quantize as-is|basic|relative|note   as-is keeps the sung curve (pitch bend on
                        every frame); basic snaps every frame; relative snaps frames and
                        removes one- and two-frame islands; note gives each note one pitch
                        (default as-is, as a recording leaves it)
  --instrument 0..127   General MIDI program (default 68, oboe)
  --velocity-out volume|expression   controller for the sung loudness: 7 or 11
                        (default volume)
)";

const char* const kLevelOptionsHelp = R"(
level set-up (the noise gate and the velocity scale):
  By default the noise floor is measured from the input itself, as the level set-up
  dialog measures it from the microphone: the 15th block (0.17 s) sets it and the
  quietest block of the first 200 (2.3 s) lowers it, held between -200 and -50 dB.
  A recording that starts with a moment of room noise gets the right gate; for one
  that starts with singing, give --vcf or --floor.
  The gate is the floor plus half the noise setting.
  --vcf FILE.hvc        the settings and the floor of a volume control file
  --noise 0..100        noise level setting (default 50)
  --maximum 0..100      maximum level setting: the level of velocity 127 (default 50)
  --pitch-level -80..-20   pitch detection level (default -50)
  --floor -200..-50     the noise floor in library dB, instead of measuring it
)";

std::string transcribeHelp() {
    return std::string(R"(usage: hummwell-cli transcribe IN [-o OUT] [OPTIONS]

Transcribes the audio file IN (WAV, FLAC, OGG and what else libsndfile reads; any
sample rate and channel count, mixed to mono and resampled to 44,100 Hz).
OUT ending in .mid is a Standard MIDI File; .hwp is a project Hummwell opens.
Without -o, OUT is written beside IN: IN with .mid in place of its extension.
Audio beyond the track's capacity (6 min 20 s) is left out, with a warning.

  -o, --output OUT      the file to write
  -q, --quiet           no progress bar
)") + kNoteOptionsHelp + kLevelOptionsHelp;
}

std::string framesHelp() {
    return std::string(R"(usage: hummwell-cli frames IN [-o FRAMES.csv] [OPTIONS]

Transcribes IN as transcribe does and writes one row per 512-sample block:
  time_s       start of the block
  level        the engine's level of the block, library dB
  pitch        the engine's pitch, fractional MIDI note (0 = none)
  clarity      the score of the stage that found it
  noteState    -1 under the gate, 1 onset, 0 continuation
  outcome      1 gated, 3 weak, 256/512/1024 stage, 2048 tracked, 65535 none
  framePitch, frameVolume, frameMark, frameNote   what the live transcriber decided
  foundPitch, foundVolume, foundMark, foundNote   what the note finder decided (empty
               with --notes live)
  periodicity, periodicityUp, periodicityDown   how well the audio repeats at the
               pitch's period, at half and at twice of it (-1..1; 0 without pitch)
Without -o, FRAMES.csv is written beside IN: IN with .frames.csv in place of its
extension. The output must end in .csv.

  -o, --output FILE     the file to write
  -q, --quiet           no progress bar
)") + kNoteOptionsHelp + kLevelOptionsHelp;
}

const char* const kExportHelp = R"(usage: hummwell-cli export IN.hwp [-o OUT.mid] [OPTIONS]

Writes the project IN.hwp as a Standard MIDI File (or, for OUT ending in .hwp, as a
project again), under its own settings or those given. Without -o, OUT is written
beside IN: IN with .mid in place of its extension.

  -o, --output OUT      the file to write
  --quantize as-is|basic|relative|note
  --key KEY, --scale chromatic|diatonic
  --instrument 0..127, --velocity-out volume|expression
)";

const char* const kInfoHelp = R"(usage: hummwell-cli info FILE

Prints a summary of a Hummwell project (.hwp), a volume control file (.hvc) or a
Standard MIDI File (.mid): its settings, frames, notes and duration. An invalid file
is named with the reason and gives exit code 1.
)";

// ---- Arguments --------------------------------------------------------------------------

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;

    std::optional<std::string> value(const std::string& name) const {
        const auto it = values.find(name);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
};

const std::set<std::string> kReadingOptions = {"key", "scale", "transpose", "ref-adjust", "notes", "tuning"};
const std::set<std::string> kWritingOptions = {"quantize", "instrument", "velocity-out"};
const std::set<std::string> kLevelOptions = {"vcf", "noise", "maximum", "pitch-level", "floor"};

Args parseArgs(const std::vector<std::string>& args, const std::string& command,
               const std::set<std::string>& valueOptions, const std::set<std::string>& flagOptions) {
    Args parsed;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string a = args[i];
        if (a == "--") {
            parsed.positional.insert(parsed.positional.end(), args.begin() + i + 1, args.end());
            break;
        }
        if (a == "-o") a = "--output";
        if (a == "-q") a = "--quiet";
        if (a == "-h") a = "--help";
        if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
            if (!a.empty() && a[0] == '-' && a != "-")
                throw UsageError("unknown option " + a + " for " + command + " (see " + kProgram +
                                 " " + command + " --help)");
            parsed.positional.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        std::optional<std::string> inlineValue;
        if (const size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.erase(eq);
        }
        if (flagOptions.count(name)) {
            if (inlineValue) throw UsageError("--" + name + " takes no value");
            parsed.flags.insert(name);
        } else if (valueOptions.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) throw UsageError("--" + name + " needs a value");
                inlineValue = args[++i];
            }
            parsed.values[name] = *inlineValue;
        } else {
            throw UsageError("unknown option --" + name + " for " + command + " (see " + kProgram +
                             " " + command + " --help)");
        }
    }
    return parsed;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

template <typename T>
T parseNumber(const std::string& option, const std::string& text, T lo, T hi) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    T v{};
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last || first == last || v < lo || v > hi ||
        (std::is_floating_point_v<T> && !std::isfinite(static_cast<double>(v)))) {
        std::string range;
        if constexpr (std::is_floating_point_v<T>)
            range = "a number from " + std::to_string(static_cast<int>(lo)) + " to " +
                    std::to_string(static_cast<int>(hi));
        else
            range = "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        throw UsageError("--" + option + " takes " + range + ", not '" + text + "'");
    }
    return v;
}

int parseChoice(const std::string& option, const std::string& text,
                const std::vector<std::string>& choices) {
    const std::string t = lower(text);
    for (size_t i = 0; i < choices.size(); ++i)
        if (t == choices[i]) return static_cast<int>(i);
    std::string list;
    for (const std::string& c : choices) list += (list.empty() ? "" : "|") + c;
    throw UsageError("--" + option + " takes " + list + ", not '" + text + "'");
}

// "C", "c#", "Db", "C# (Db) Major", "d major": the key's index in the panel's sorted list.
int parseKey(const std::string& text) {
    std::string t = lower(text);
    for (const char* suffix : {" major", "major"})
        if (t.size() > std::strlen(suffix) && t.ends_with(suffix)) t.erase(t.size() - std::strlen(suffix));
    for (size_t i = 0; i < kKeyLabels.size(); ++i) {
        const std::string label = lower(kKeyLabels[i]);  // "a# (bb) major"
        const std::string sharp = label.substr(0, label.find(' '));
        const size_t open = label.find('(');
        const std::string flat = open == std::string::npos
                                     ? std::string()
                                     : label.substr(open + 1, label.find(')') - open - 1);
        const std::string both = label.substr(0, label.size() - std::strlen(" major"));
        if (t == sharp || t == flat || t == both) return static_cast<int>(i);
    }
    throw UsageError("--key takes a major key such as C, F#, Bb or \"D Major\", not '" + text + "'");
}

struct SettingChoice {
    Setting setting;
    int value;
};

std::vector<SettingChoice> settingChoices(const Args& a, const std::set<std::string>& which) {
    std::vector<SettingChoice> out;
    const auto given = [&](const char* name) -> std::optional<std::string> {
        return which.count(name) ? a.value(name) : std::nullopt;
    };
    if (auto v = given("key")) out.push_back({Setting::Key, parseKey(*v)});
    if (auto v = given("scale"))
        out.push_back({Setting::Scale, parseChoice("scale", *v, {"chromatic", "diatonic"})});
    if (auto v = given("transpose"))
        out.push_back({Setting::Transpose, 5 - parseNumber("transpose", *v, -5, 5)});
    if (auto v = given("ref-adjust"))
        out.push_back({Setting::RefKeyAdjust, 100 - parseNumber("ref-adjust", *v, -100, 100)});
    if (auto v = given("instrument"))
        out.push_back({Setting::Instrument, parseNumber("instrument", *v, 0, 127)});
    if (auto v = given("velocity-out"))
        out.push_back(
            {Setting::VelocityOutMode, parseChoice("velocity-out", *v, {"volume", "expression"})});
    return out;
}

std::optional<int> quantizeChoice(const Args& a) {
    if (auto v = a.value("quantize"))
        return parseChoice("quantize", *v, {"as-is", "basic", "relative", "note"});
    return std::nullopt;
}

bool autoTuning(const Args& a) {
    if (auto v = a.value("tuning")) return parseChoice("tuning", *v, {"440", "auto"}) == 1;
    return false;
}

NoteMethod noteMethod(const Args& a) {
    if (auto v = a.value("notes"))
        return parseChoice("notes", *v, {"live", "lookahead"}) == 0 ? NoteMethod::Live : NoteMethod::LookAhead;
    return NoteMethod::LookAhead;
}

LevelSetup levelSetup(const Args& a) {
    LevelSetup setup;
    if (auto path = a.value("vcf")) {
        const VolumeRead read = readVolumeFile(*path, setup.volume);
        if (!read.settings) throw Failure(*path + ": " + (read.invalid.empty() ? read.unreadable : read.invalid));
        setup.volume = *read.settings;
        setup.floor = FloorSource::Given;
    }
    if (auto v = a.value("noise")) setup.volume.noiseSetting = parseNumber("noise", *v, 0, 100);
    if (auto v = a.value("maximum"))
        setup.volume.maximumSetting = parseNumber("maximum", *v, 0, 100);
    if (auto v = a.value("pitch-level"))
        setup.volume.pitchSetting = parseNumber("pitch-level", *v, -80, -20);
    if (auto v = a.value("floor")) {
        setup.volume.floorLevel = parseNumber("floor", *v, -200.0, -50.0);
        setup.floor = FloorSource::Given;
    }
    return setup;
}

std::string onlyInput(const Args& a, const std::string& command, const char* what) {
    if (a.positional.size() != 1)
        throw UsageError(command + " takes one " + what + " (see " + kProgram + " " + command +
                         " --help)");
    return a.positional.front();
}

std::string extensionOf(const std::string& path) {
    return lower(std::filesystem::path(path).extension().string());
}

// The output named by -o, else beside the input with the new extension. Never the input
// itself: a command that wrote over what it read would lose the recording.
std::string outputPath(const Args& a, const std::string& input, const std::string& newExtension) {
    std::string out;
    if (auto o = a.value("output")) {
        out = *o;
    } else {
        std::filesystem::path p(input);
        p.replace_extension();
        out = p.string() + newExtension;
    }
    std::error_code ignored;
    if (std::filesystem::equivalent(out, input, ignored))
        throw UsageError("the output " + out + " is the input; name another output with -o");
    return out;
}

// "6:20.4"; with more decimals, "6:20.40002".
std::string clockTime(double seconds, int decimals = 1) {
    char text[48];
    const int minutes = static_cast<int>(seconds / 60.0);
    std::snprintf(text, sizeof text, "%d:%0*.*f", minutes, decimals + 3, decimals, seconds - 60.0 * minutes);
    return text;
}

// The decimals that tell two times apart, from one up to a sample's worth.
int decimalsApart(double a, double b) {
    int d = 1;
    while (d < 6 && clockTime(a, d) == clockTime(b, d)) ++d;
    return d;
}

std::string fixed(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// ---- Progress -----------------------------------------------------------------------------

class ProgressBar {
public:
    ProgressBar(const Console& console, bool enabled, double total)
        : err_(console.err), enabled_(enabled), total_(total) {}
    void update(double done) {
        if (!enabled_) return;
        constexpr int kWidth = 30;
        const double share = std::clamp(done / total_, 0.0, 1.0);
        const int filled = static_cast<int>(share * kWidth);
        err_ << "\rtranscribing [" << std::string(filled, '#') << std::string(kWidth - filled, '-')
             << "] " << static_cast<int>(share * 100.0) << "%  " << fixed(done, 1) << " of "
             << fixed(total_, 1) << " s" << std::flush;
        drawn_ = true;
    }
    void finish() {
        if (drawn_) err_ << "\r" << std::string(72, ' ') << "\r" << std::flush;
        drawn_ = false;
    }

private:
    std::ostream& err_;
    bool enabled_;
    double total_;
    bool drawn_ = false;
};

constexpr double kProgressAfterSeconds = 10.0;

// ---- Shared steps ------------------------------------------------------------------------

// What a reader said of a file it could read (an invalid setting replaced, frames read as
// rests): warnings, one line each.
void showReaderWarnings(const Console& console, const std::string& path,
                        const std::vector<std::string>& messages) {
    for (const std::string& m : messages) console.err << kProgram << ": warning: " << path << ": " << m << "\n";
}

// Stores a setting as the program's setter would, and tells whether the notes then need to be
// quantized again: a setter that changes the speed, the metre, the key, the scale or the
// quantize mode does so; an unchanged value changes nothing.
bool storeSetting(ProjectSettings& settings, Setting s, int value) {
    if (settings.get(s) == value) return false;
    settings.store(s, value);
    return s == Setting::Speed || s == Setting::Metre || s == Setting::Key || s == Setting::Scale ||
           s == Setting::QuantizeMode;
}

// Reads a project into t's track and settings, its warnings on the console, the notes quantized
// again where the program's Open would; throws when it cannot be read.
void openProjectInto(FileTranscription& t, const std::string& path, const Console& console) {
    ProjectRead read = readProject(path, t.settings, t.maxFrames);
    if (!read.contents) throw Failure(path + ": " + read.line);
    showReaderWarnings(console, path, read.contents->warnings);
    t.track = std::move(read.contents->track);
    bool requantizeAll = false;
    for (int i = 0; i < kSettingCount; ++i)
        requantizeAll |= storeSetting(t.settings, static_cast<Setting>(i), read.contents->settings.values[i]);
    if (requantizeAll) requantize(t.track, t.settings, 0, t.track.frameCount());
}

int countNotes(const FrameTrack& track) {
    return static_cast<int>(std::count(track.mark.begin(), track.mark.end(), kMarkOnset));
}

// --tuning auto: the notes are rounded from the singer's own reference, which the project
// keeps as its Reference Key Adjust.
void tuneToTheSinger(FileTranscription& t, const std::string& input, const Console& console) {
    FrameTrack& track = t.track;
    const std::optional<TuningEstimate> e = estimateTuning(track, 0, track.frameCount());
    if (!e) {
        console.err << kProgram << ": warning: " << input
                    << ": too few steady notes to measure the tuning; A4 = 440 Hz is kept\n";
        return;
    }
    const int cents = static_cast<int>(std::lround(e->cents));
    retune(track, 0, track.frameCount(), cents);
    const int index = std::clamp(t.settings.get(Setting::RefKeyAdjust) - cents, 0, 200);
    t.settings.store(Setting::RefKeyAdjust, index);
    requantize(track, t.settings, 0, track.frameCount());
    console.out << input << ": sung " << std::abs(cents) << (cents < 0 ? " cents flat of" : cents > 0 ? " cents sharp of" : " cents from")
                << " A4 = 440 Hz, from " << e->notes << " notes; Reference Key Adjust "
                << refKeyAdjustLabel(index) << "\n";
}

// Transcribes `input` into t under the options; throws on any failure.
void transcribeInto(FileTranscription& t, const Args& a, const std::string& input,
                    const Console& console) {
    LevelSetup setup = levelSetup(a);
    std::set<std::string> before = kReadingOptions;
    before.insert(kWritingOptions.begin(), kWritingOptions.end());
    const std::vector<SettingChoice> choices = settingChoices(a, before);
    const std::optional<int> quantize = quantizeChoice(a);

    const NoteMethod method = noteMethod(a);
    const bool tuning = autoTuning(a);
    tonik::AudioFileStream audio;
    if (!audio.open(input)) throw Failure(input + ": " + audio.error());
    const double capacity = t.capacitySeconds();
    if (method == NoteMethod::LookAhead) {
        // The file is read twice: first only for its levels.
        tonik::AudioFileStream pass;
        if (!pass.open(input)) throw Failure(input + ": " + pass.error());
        const InputLevels levels = inputLevels([&pass](int16_t* out, size_t count) { return pass.read(out, count); },
                                               static_cast<size_t>(t.blockCapacity()));
        double quietest = setup.volume.floorLevel;
        if (setup.floor == FloorSource::Calibrated) {
            // The velocity scale keeps the level set-up's range; the gate follows the noise
            // however loud it is.
            quietest = levels.quiet;
            setup.volume.floorLevel = std::clamp(quietest, -200.0, -50.0);
            setup.floor = FloorSource::Given;
        }
        setup.engineLevels = AnalysisLevels{quietest + kLookAheadGateAboveFloor, lookAheadPitchLevel(levels)};
        // A pitch detection level asked for holds here too.
        if (a.value("pitch-level")) setup.engineLevels->peakLevel = -setup.volume.pitchSetting;
    }
    if (audio.sourceSeconds() > capacity + 1e-9) {
        const int d = decimalsApart(audio.sourceSeconds(), capacity);
        console.err << kProgram << ": warning: " << input << " lasts " << clockTime(audio.sourceSeconds(), d)
                    << " but the track holds " << clockTime(capacity, d) << "; transcribed up to "
                    << clockTime(capacity, d) << "\n";
    }

    for (const SettingChoice& c : choices) t.settings.store(c.setting, c.value);
    const double seconds = std::min(audio.sourceSeconds(), capacity);
    ProgressBar bar(console,
                    console.errIsTerminal && !a.flags.count("quiet") && seconds > kProgressAfterSeconds,
                    seconds);
    t.run([&audio](int16_t* out, size_t count) { return audio.read(out, count); }, setup,
          [&bar](double done) { bar.update(done); });
    bar.finish();
    if (!audio.error().empty()) throw Failure(input + ": " + audio.error());
    if (audio.framesRead() == 0) throw Failure(input + ": holds no audio");
    if (audio.atEnd() && audio.promisedFrames() > audio.framesRead()) {
        // The header promised more than the file holds: a copy or a recording cut short.
        char text[160];
        std::snprintf(text, sizeof text, "the file ends after %.2f s though its header promises %.2f s; "
                      "what is there is transcribed", static_cast<double>(audio.framesRead()) / audio.sourceRate(),
                      static_cast<double>(audio.promisedFrames()) / audio.sourceRate());
        console.err << kProgram << ": warning: " << input << ": " << text << "\n";
    }
    if (audio.nonFiniteSamples() > 0)
        console.err << kProgram << ": warning: " << input << ": " << audio.nonFiniteSamples()
                    << " samples are not finite numbers; they are read as silence\n";
    if (audio.samplesBeyondFullScale() > 0) {
        char loudest[32];
        std::snprintf(loudest, sizeof loudest, "%g", audio.loudestSample());
        console.err << kProgram << ": warning: " << input << ": " << audio.samplesBeyondFullScale()
                    << " samples lie far beyond full scale (up to " << loudest << " times it); they are read as full scale\n";
    }
    if (t.blocks.empty()) throw Failure(input + ": nothing was transcribed");
    if (method == NoteMethod::LookAhead) t.findNotes();
    if (tuning) tuneToTheSinger(t, input, console);
    if (countNotes(t.track) == 0) console.err << kProgram << ": " << input << ": no singing found\n";
    if (quantize) t.quantize(*quantize);
}

// Writes the project as a .mid or .hwp by the path's extension.
void writeResult(const FileTranscription& t, const std::string& out) {
    const std::optional<std::string> failed = extensionOf(out) == ".hwp" ? writeProject(out, t.track, t.settings)
                                                                          : writeMidi(out, t.track, t.settings);
    if (failed) throw Failure(out + ": " + failedToOpenMessage(*failed));
}

void requireExtension(const std::string& out, const std::set<std::string>& allowed,
                      const std::string& what) {
    if (!allowed.count(extensionOf(out)))
        throw UsageError("the output " + out + " must end in " + what);
}

// ---- Commands -----------------------------------------------------------------------------

std::set<std::string> transcribeOptions() {
    std::set<std::string> o = {"output"};
    for (const auto* group : {&kReadingOptions, &kWritingOptions, &kLevelOptions})
        o.insert(group->begin(), group->end());
    return o;
}

int transcribeCommand(const std::vector<std::string>& args, const Console& console) {
    const Args a = parseArgs(args, "transcribe", transcribeOptions(), {"quiet", "help"});
    if (a.flags.count("help")) {
        console.out << transcribeHelp();
        return kExitOk;
    }
    const std::string input = onlyInput(a, "transcribe", "audio file");
    const std::string out = outputPath(a, input, ".mid");
    requireExtension(out, {".mid", ".hwp"}, ".mid (a MIDI file) or .hwp (a project)");
    FileTranscription t;
    transcribeInto(t, a, input, console);
    writeResult(t, out);
    console.out << out << ": " << countNotes(t.track) << " notes in "
                << fixed(t.blocks.size() * 512.0 / kEngineRate, 1) << " s (noise floor "
                << fixed(t.volume.floorLevel, 1) << " dB, gate " << fixed(t.levels.noiseLevel, 1)
                << " dB)\n";
    return kExitOk;
}

int framesCommand(const std::vector<std::string>& args, const Console& console) {
    const Args a = parseArgs(args, "frames", transcribeOptions(), {"quiet", "help"});
    if (a.flags.count("help")) {
        console.out << framesHelp();
        return kExitOk;
    }
    const std::string input = onlyInput(a, "frames", "audio file");
    const std::string out = outputPath(a, input, ".frames.csv");
    requireExtension(out, {".csv"}, ".csv (a table)");
    FileTranscription t;
    transcribeInto(t, a, input, console);

    std::string csv = "time_s,level,pitch,clarity,noteState,outcome,framePitch,frameVolume,frameMark,"
                      "frameNote,foundPitch,foundVolume,foundMark,foundNote,periodicity,periodicityUp,"
                      "periodicityDown\n";
    // The live transcriber's decisions, and the note finder's when it ran.
    const FrameTrack& live = t.liveTrack ? *t.liveTrack : t.track;
    const FrameTrack& found = t.track;
    char row[320];
    for (size_t b = 0; b < t.blocks.size(); ++b) {
        // Block b is decided as frame b + 1: the transcriber's first frame is the silence
        // before the first block.
        const int f = static_cast<int>(b) + 1;
        const BlockRecord& r = t.blocks[b];
        int n = std::snprintf(row, sizeof row, "%.4f,%.4f,%.4f,%.4f,%d,%g,%.4f,%.3f,%d,%d",
                              b * 512.0 / kEngineRate, r.level, r.pitch, r.clarity, r.noteState,
                              r.outcome, live.pitch[f], live.volume[f], live.mark[f], live.note[f]);
        if (t.liveTrack)
            n += std::snprintf(row + n, sizeof row - n, ",%.4f,%.3f,%d,%d", found.pitch[f], found.volume[f],
                               found.mark[f], found.note[f]);
        else
            n += std::snprintf(row + n, sizeof row - n, ",,,,");
        std::snprintf(row + n, sizeof row - n, ",%.3f,%.3f,%.3f\n", r.periodicity.atPitch, r.periodicity.octaveUp,
                      r.periodicity.octaveDown);
        csv += row;
    }
    std::string reason;
    if (!writeFileAtomically(out, std::vector<uint8_t>(csv.begin(), csv.end()), &reason))
        throw Failure(out + ": cannot be written: " + reason);
    console.out << out << ": " << t.blocks.size() << " blocks\n";
    return kExitOk;
}

int exportCommand(const std::vector<std::string>& args, const Console& console) {
    std::set<std::string> options = kWritingOptions;
    options.insert({"output", "key", "scale"});
    const Args a = parseArgs(args, "export", options, {"help"});
    if (a.flags.count("help")) {
        console.out << kExportHelp;
        return kExitOk;
    }
    const std::string input = onlyInput(a, "export", "project file");
    const std::string out = outputPath(a, input, ".mid");
    requireExtension(out, {".mid", ".hwp"}, ".mid (a MIDI file) or .hwp (a project)");
    std::set<std::string> which = kWritingOptions;
    which.insert({"key", "scale"});
    const std::vector<SettingChoice> choices = settingChoices(a, which);
    const std::optional<int> quantize = quantizeChoice(a);

    FileTranscription t;  // only its project: one is read, nothing is transcribed
    openProjectInto(t, input, console);
    bool requantizeAll = false;
    for (const SettingChoice& c : choices) requantizeAll |= storeSetting(t.settings, c.setting, c.value);
    if (quantize) requantizeAll |= storeSetting(t.settings, Setting::QuantizeMode, *quantize);
    if (requantizeAll) requantize(t.track, t.settings, 0, t.track.frameCount());
    writeResult(t, out);
    console.out << out << ": " << countNotes(t.track) << " notes\n";
    return kExitOk;
}

void describeProject(const FileTranscription& t, const std::string& path, std::ostream& out) {
    const FrameTrack& track = t.track;
    const ProjectSettings& settings = t.settings;
    int lowest = 128, highest = -1;
    for (int i = 0; i < track.frameCount(); ++i)
        if (track.mark[i] == kMarkOnset) {
            // Unquantized ("As Is") notes carry no note number: the sung pitch's note.
            const int n = track.note[i] > 0 ? track.note[i] : snapToNote(track.pitch[i], settings.get(Setting::Scale), settings.keyOffset());
            if (n <= 0) continue;
            lowest = std::min(lowest, n);
            highest = std::max(highest, n);
        }
    out << path << ": Hummwell project\n";
    out << "  frames       " << track.frameCount() << " (" << fixed(track.frameCount() * kFrameMs / 1000.0, 2)
        << " s)\n";
    out << "  notes        " << countNotes(track);
    if (highest >= 0) out << ", MIDI " << lowest << ".." << highest;
    out << "\n";
    static const std::pair<const char*, Setting> kShown[] = {
        {"Speed", Setting::Speed},           {"Tempo", Setting::Metre},
        {"Key", Setting::Key},               {"Scale", Setting::Scale},
        {"Quantize", Setting::QuantizeMode}, {"Reference Key Adjust", Setting::RefKeyAdjust},
        {"Transpose", Setting::Transpose},   {"Channel", Setting::MidiChannel},
        {"Instrument", Setting::Instrument}, {"Velocity Out", Setting::VelocityOutMode},
        {"Metronome", Setting::MetronomeOn}, {"Real-time out", Setting::RealtimeOutOn},
    };
    for (const auto& [label, setting] : kShown) {
        std::string name = label;
        name.resize(std::max<size_t>(name.size() + 1, 21), ' ');
        out << "  " << name << settingValueLabel(setting, settings.get(setting)) << "\n";
    }
}

void describeVolumeFile(const VolumeSettings& v, const std::string& path, std::ostream& out) {
    const LevelThresholds d = deriveLevels(v);
    out << path << ": Hummwell volume control file\n"
        << "  recording gain        " << v.recordingGain << " of 255" << (v.gainBoost ? ", boosted" : "")
        << "\n"
        << "  noise level           " << v.noiseSetting << "\n"
        << "  maximum level         " << v.maximumSetting << "\n"
        << "  pitch detection level " << v.pitchSetting << "\n"
        << "  noise floor           " << fixed(v.floorLevel, 2) << " dB\n"
        << "  gate (velocity 0)     " << fixed(d.noiseLevel, 2) << " dB\n"
        << "  note onset (27)       " << fixed(d.onsetLevel, 2) << " dB\n"
        << "  velocity 127          " << fixed(d.topLevel, 2) << " dB\n";
}

void describeMidi(const MidiFileContents& m, const std::string& path, std::ostream& out) {
    int lowest = 128, highest = -1;
    for (const MidiNote& n : m.notes) {
        lowest = std::min(lowest, n.key);
        highest = std::max(highest, n.key);
    }
    out << path << ": Standard MIDI File, format " << m.format << ", " << m.trackCount
        << (m.trackCount == 1 ? " track" : " tracks") << "\n";
    out << "  division     " << m.division << (m.division > 0 ? " ticks per quarter note" : "") << "\n";
    out << "  tempo        " << fixed(m.firstTempoBpm, 2) << " bpm\n";
    out << "  duration     " << fixed(m.seconds, 2) << " s\n";
    out << "  notes        " << m.notes.size();
    if (highest >= 0) out << ", MIDI " << lowest << ".." << highest;
    out << "\n";
    out << "  messages     " << m.programChanges << " program changes, " << m.controllers
        << " controllers, " << m.pitchBends << " pitch bends\n";
}

int infoCommand(const std::vector<std::string>& args, const Console& console) {
    const Args a = parseArgs(args, "info", {}, {"help"});
    if (a.flags.count("help")) {
        console.out << kInfoHelp;
        return kExitOk;
    }
    const std::string path = onlyInput(a, "info", "file");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw Failure(path + ": " + (!std::filesystem::exists(path, ec)       ? "no such file"
                                     : std::filesystem::is_directory(path, ec) ? "is a folder"
                                                                               : "is not a regular file (a pipe, a device or a socket)"));
    // The first bytes say what the file is: a large file of another kind is never read whole.
    std::vector<char> head(16);
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw Failure(path + ": cannot be read");
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<size_t>(in.gcount()));
    }
    const auto startsWith = [&head](const char* magic) {
        const size_t n = std::strlen(magic);
        return head.size() >= n && std::equal(magic, magic + n, head.begin());
    };
    const std::string ext = extensionOf(path);

    if (startsWith(kProjectMagic) || ext == ".hwp") {
        FileTranscription t;
        openProjectInto(t, path, console);
        describeProject(t, path, console.out);
        return kExitOk;
    }
    if (startsWith(kVolumeMagic) || ext == ".hvc") {
        const VolumeRead read = readVolumeFile(path, VolumeSettings{});
        if (!read.settings) throw Failure(path + ": " + (read.invalid.empty() ? read.unreadable : read.invalid));
        describeVolumeFile(*read.settings, path, console.out);
        return kExitOk;
    }
    if (startsWith("MThd") || ext == ".mid" || ext == ".midi") {
        std::string reason;
        const std::optional<std::vector<uint8_t>> bytes = readWholeFile(path, kMidiFileLimitBytes, &reason);
        if (!bytes) throw Failure(path + ": " + reason);
        MidiFileContents m;
        std::string error;
        if (!readMidiFile(*bytes, m, error)) throw Failure(path + ": " + error);
        showReaderWarnings(console, path, m.warnings);
        describeMidi(m, path, console.out);
        return kExitOk;
    }
    throw Failure(path + ": not a Hummwell project (.hwp), volume control file (.hvc) or MIDI file (.mid)");
}

}  // namespace

int runCli(const std::vector<std::string>& args, Console console) {
    try {
        if (args.empty()) {
            console.err << kMainHelp;
            return kExitUsage;
        }
        const std::string& command = args.front();
        if (command == "--help" || command == "-h" || command == "help") {
            console.out << kMainHelp;
            return kExitOk;
        }
        if (command == "transcribe") return transcribeCommand(args, console);
        if (command == "frames") return framesCommand(args, console);
        if (command == "export") return exportCommand(args, console);
        if (command == "info") return infoCommand(args, console);
        throw UsageError("unknown command '" + command + "' (see " + kProgram + " --help)");
    } catch (const UsageError& e) {
        console.err << kProgram << ": " << e.what() << "\n";
        return kExitUsage;
    } catch (const Failure& e) {
        console.err << kProgram << ": " << e.what() << "\n";
        return kExitFailed;
    } catch (const std::exception& e) {  // out of memory and the like: still one clear line
        console.err << kProgram << ": " << e.what() << "\n";
        return kExitFailed;
    }
}

}  // namespace hummwell::cli
