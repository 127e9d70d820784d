// The level set-up dialog, "Volume Control File Dialog": the live input level against the
// noise, onset and maximum levels, the pitch-detection indicator, the four sliders, the boost
// check box and the volume control file. Its logic is the GUI-free LevelMonitor; the widget
// shows it every 33 ms and forwards its controls to it.
//
// It has no Cancel: the close box and Escape leave it open, and only "Save and Apply" closes
// it, with the volume run ended and the noise gate handed to the library.
#pragma once

#include "editor/LevelMonitor.h"

#include <QDialog>
#include <QTimer>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace hummwell {

inline constexpr char kVolumeDialogTitle[] = "Volume Control File Dialog";
inline constexpr int kLevelDisplayWidth = 478;  // the scale's marks are laid out for it
inline constexpr int kLevelDisplayHeight = 62;
inline constexpr int kPitchDisplayWidth = 150;
inline constexpr int kPitchDisplayHeight = 20;

class CVolumeControlDlg final : public QDialog {
    Q_OBJECT
public:
    CVolumeControlDlg(UserPrompt& prompt, QWidget* parent = nullptr);
    ~CVolumeControlDlg() override;

    LevelMonitor& monitor() { return monitor_; }
    // The levels of the last "Save and Apply".
    const LevelThresholds& appliedLevels() const { return applied_; }

    // Loads the file, starts the volume run and the displays, and shows the dialog modally
    // until "Save and Apply".
    int exec() override;
    // Escape and the close box do nothing.
    void reject() override;

    // The readings the displays show now; refreshed by the 33 ms timer.
    const LevelReadings& shown() const { return shown_; }
    QSlider* slider(LevelSlider which) const { return sliders_[static_cast<int>(which)]; }

signals:
    // Help: the user guide at its level set-up section.
    void helpRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void openFile();
    void saveFileAs();
    void saveAndApply();

    TonikVolumeRun run_;        // before the monitor: a run left going is ended first
    LevelMonitor monitor_;
    LevelThresholds applied_ = deriveLevels(VolumeSettings{});
    LevelReadings shown_;
    QTimer timer_;
    std::array<QSlider*, 4> sliders_{};
    std::array<QLabel*, 4> values_{};
    QCheckBox* boost_ = nullptr;
    QLineEdit* fileTitle_ = nullptr;
    QWidget* pitchDisplay_ = nullptr;
    QWidget* levelDisplay_ = nullptr;
};

}  // namespace hummwell
