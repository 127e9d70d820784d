// Stand-ins for what the document logic talks to: a prompt that answers from a script and
// keeps every question, a note view that records its drawing requests, a MIDI output that
// records its calls, and an engine input that only counts starts and stops.
#pragma once

#include "document/UserPrompt.h"
#include "document/ViewPorts.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace appdoubles {

using namespace hummwell;

class ScriptedPrompt final : public UserPrompt {
public:
    struct Message {
        std::string text, title;
        PromptIcon icon;
        PromptButtons buttons;
    };
    std::vector<Message> messages;
    std::deque<PromptAnswer> answers;               // for questions; OK/first button when empty
    std::deque<std::optional<std::string>> files;   // for file dialogs; cancel when empty
    std::vector<FileChoice> openChoices, saveChoices;

    PromptAnswer message(const std::string& text, const std::string& title, PromptIcon icon,
                         PromptButtons buttons) override {
        messages.push_back({text, title, icon, buttons});
        if (!answers.empty()) {
            const PromptAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Yes;
    }
    std::optional<std::string> chooseFileToOpen(const FileChoice& c) override {
        openChoices.push_back(c);
        return next();
    }
    std::optional<std::string> chooseFileToSave(const FileChoice& c) override {
        saveChoices.push_back(c);
        return next();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Message& m : messages) out.push_back(m.text);
        return out;
    }

private:
    std::optional<std::string> next() {
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
};

class RecordingSurface final : public ViewSurface {
public:
    std::vector<std::pair<int, int>> stretches;
    std::vector<int> recordedColumns;
    std::vector<int> repaintedColumns;
    std::vector<TransportState> states;
    std::vector<std::pair<Setting, int>> shownSettings;
    int repaints = 0, leftRepaints = 0, recordingDisplays = 0, clears = 0, grids = 0, fullTakes = 0;
    int scrollRange = -1, scrollPosition = -1;
    bool scrollEnabled = false;

    void renderStretch(int first, int count) override { stretches.emplace_back(first, count); }
    void drawRecordedColumn(int frame) override { recordedColumns.push_back(frame); }
    void repaint() override { ++repaints; }
    void repaintColumn(int x) override { repaintedColumns.push_back(x); }
    void repaintLeftHalf() override { ++leftRepaints; }
    void prepareRecordingDisplay() override { ++recordingDisplays; }
    void takeFull() override { ++fullTakes; }
    void clearPicture() override { ++clears; }
    void redrawGrid() override { ++grids; }
    void setScroll(int range, int position, bool enabled) override {
        scrollRange = range;
        scrollPosition = position;
        scrollEnabled = enabled;
    }
    void showTransportState(TransportState s) override { states.push_back(s); }
    void showSetting(Setting s, int v) override { shownSettings.emplace_back(s, v); }
};

class RecordingOutput final : public NoteOutput {
public:
    // One letter per call, in order: o open, p prepare, f frame, b beat tick, m measure tick,
    // a all notes off, s silence the ticks, r resound, c clear the sounded note, t forget
    // the ticks.
    std::string calls;
    std::vector<int> soundedFrames;

    void openMidiOutput() override { calls += 'o'; }
    void prepareNoteChannel() override { calls += 'p'; }
    void soundFrame(int frame) override {
        calls += 'f';
        soundedFrames.push_back(frame);
    }
    void soundBeatTick() override { calls += 'b'; }
    void soundMeasureTick() override { calls += 'm'; }
    void allNotesOff() override { calls += 'a'; }
    void silenceTicks() override { calls += 's'; }
    void resoundCursor() override { calls += 'r'; }
    void clearSoundedNote() override { calls += 'c'; }
    void forgetTicks() override { calls += 't'; }
};

class CountingInput final : public PitchInput {
public:
    int starts = 0, stops = 0;
    void start() override { ++starts; }
    void stop() override { ++stops; }
};

// A view state wired to the doubles above.
struct ViewFixture {
    ScriptedPrompt prompt;
    RecordingSurface surface;
    RecordingOutput output;
    CountingInput input;
};

}  // namespace appdoubles
