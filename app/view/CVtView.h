// The note view: a thin widget over the GUI-free ViewState, which holds the track, the
// settings, the cursor, the transport, the selection and the clip. The widget turns mouse
// and scroll events into the state's calls, answers its drawing requests, and owns the
// off-screen pictures and the devices the state talks to.
//
// Threads: while recording, the engine calls drawRecordedColumn, repaint, repaintLeftHalf and
// takeFull on its capture thread, with the state's take lock held. The column is drawn there,
// into the track picture that the paint reads under the same lock; the other three only set
// flags, which a timer on the GUI thread drains. So the capture thread never calls into Qt,
// and everything else runs on the GUI thread.
#pragma once

#include "document/Clock.h"
#include "document/ViewState.h"
#include "editor/NoteDrag.h"
#include "editor/EngineInput.h"
#include "editor/MidiOutput.h"
#include "view/TrackPictures.h"
#include "view/ViewLayout.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

namespace hummwell {

class CVolumeControlDlg;

// The largest track the pictures can be made for: starting at `frames`, halved (integer
// division) after each picture that cannot be made. 0 when not even one column fits.
int settleMaxFrames(int frames, const std::function<bool(int frames)>& makePictures);

class CVtView final : public QAbstractScrollArea, public ViewSurface {
    Q_OBJECT
public:
    CVtView(UserPrompt& prompt, std::unique_ptr<MidiDevice> device, QWidget* parent = nullptr);
    ~CVtView() override;

    // The first set-up, once the main window exists: the pictures, the engine with the
    // program's message presenter, the default settings shown in the panel, the MIDI output,
    // the level set-up, and the project named on the command line. `hideSplash` runs when the
    // view is ready, just before the level set-up dialog opens over the window. False, after
    // its message, when not even a short track's pictures can be made.
    bool initialUpdate(const std::string& commandLineFile, const std::function<void()>& hideSplash);

    ViewState& state() { return state_; }
    const ViewState& state() const { return state_; }
    MidiOutput& midiOutput() { return output_; }
    const QImage& gridPicture() const { return pictures_.grid(); }
    const QImage& trackPicture() const { return pictures_.track(); }
    const QImage& aheadPicture() const { return pictures_.ahead(); }
    // The source columns of the grid: row backgrounds, beat and measure lines, the greens.
    const QImage& patternPicture() const { return pictures_.pattern(); }
    const NoteBarTable& noteBars() const { return noteBars_; }
    // What the next paint copies where, and the readouts it shows.
    PaintPlan paintPlan() const;
    // The level set-up's file: the profile's, else default.hvc in the working folder.
    const std::string& volumeControlPath() const { return volumeControlPath_; }
    void setVolumeControlPath(const std::string& path) { volumeControlPath_ = path; }
    CVolumeControlDlg& volumeControlDialog() { return *volumeDialog_; }
    // Change (1028): the level set-up dialog, modal until "Save and Apply", which hands the
    // noise gate to the library and the level thresholds to the transcription. Nothing while
    // recording or playing; false then.
    bool volumeControl();
    // Tick (1027): the metronome dialog; OK stores its eight values. Nothing while recording
    // or playing; false then.
    bool metronomeTicks();

    // Runs a command by id through the GUI-free handlers; false when it is disabled or
    // belongs to the windows.
    bool runCommand(int id);
    // Stores a setting chosen in the control panel.
    void chooseSetting(Setting setting, int value);

    // ViewSurface, callable from any thread.
    void renderStretch(int first, int count) override;
    void drawRecordedColumn(int frame) override;
    void repaint() override;
    void repaintColumn(int x) override;
    void repaintLeftHalf() override;
    void prepareRecordingDisplay() override;
    void takeFull() override;
    void clearPicture() override;
    void redrawGrid() override;
    void setScroll(int range, int position, bool enabled) override;
    void showTransportState(TransportState state) override;
    void showSetting(Setting setting, int value) override;

signals:
    // The panel shows a setting's value, and the transport's state.
    void settingShown(hummwell::Setting setting, int value);
    void transportShown(hummwell::TransportState state);
    // The cursor frame's Time, Pitch and Volume, when they change; empty strings clear them.
    void readoutsShown(const QString& time, const QString& pitch, const QString& volume);
    // Something changed that may enable or disable commands.
    void commandsMayHaveChanged();
    // The level set-up closed with this volume control file (full path and name).
    void volumeControlChosen(const QString& path, const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Every key of the view is a command's; one whose command is disabled does nothing,
    // rather than scroll the picture as a scroll area would.
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Timer final : public PlaybackTimer {
    public:
        explicit Timer(CVtView& view);
        void start(int periodMs) override;
        void stop() override;
        QTimer timer;
    };

    // Runs `work` on the GUI thread: now when called there, queued from the capture thread.
    void onGuiThread(std::function<void()> work);
    // On the GUI thread runs `work` now; from the capture thread raises `wanted` for the take
    // timer, so that a burst of blocks is one repaint and the capture thread never posts.
    void onGuiThreadOnce(std::atomic<bool>& wanted, const std::function<void()>& work);
    // Every tick while a take runs: what the capture thread asked for.
    void drainTakeRequests();
    // The row a viewport y shows, and the viewport y of a drawing row.
    int topOffset() const;
    void showReadouts(const Readouts& r);
    // The pointer's shape over the selected note's handles.
    void updatePointerShape(int x, int row);
    // The drawing row under a viewport point.
    int rowAt(int y) const;

    SteadyClock clock_;
    MidiOutput output_;
    EngineInput input_;
    Timer timer_;
    ViewState state_;
    NoteDrag drag_;  // the left button's gesture over the view
    CVolumeControlDlg* volumeDialog_ = nullptr;  // a child: lives as long as the view
    TrackPictures pictures_;
    NoteBarTable noteBars_;
    Readouts shownReadouts_;
    std::string volumeControlPath_;
    bool settingScroll_ = false;
    // What the capture thread asked for, drained by takeTimer_ on the GUI thread.
    std::atomic<bool> repaintWanted_{false};
    std::atomic<bool> leftRepaintWanted_{false};
    std::atomic<bool> takeFullWanted_{false};
    QTimer takeTimer_;
};

}  // namespace hummwell
