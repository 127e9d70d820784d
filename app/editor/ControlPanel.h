// The control panel docked right of the note view: the transport's status, the pitch
// detection and transcription settings, the cursor frame's readouts and the MIDI settings,
// each control known by its numeric id. A keyboard strip along its left edge lines up with
// the view's pitch rows.
#pragma once

#include "document/ProjectSettings.h"
#include "document/ViewPorts.h"

#include <QWidget>

#include <map>

class QComboBox;
class QCheckBox;
class QLabel;
class QPushButton;

namespace hummwell {

enum PanelControlId : int {
    kPanelVolumeControl = 1026,
    kPanelChange = 1028,
    kPanelStatus = 1024,
    kPanelSpeed = 1019,
    kPanelTempo = 1020,
    kPanelKey = 1021,
    kPanelScale = 1022,
    kPanelQuantize = 1023,
    kPanelTranspose = 1025,
    kPanelTick = 1027,
    kPanelTime = 1029,
    kPanelPitch = 1030,
    kPanelVolume = 1031,
    kPanelRefKeyAdjust = 1032,
    kPanelChannel = 1033,
    kPanelInstrument = 1034,
    kPanelVelocityOut = 1035,
    kPanelMetronome = 1037,
    kPanelRealtimeOut = 1038,
};

// The setting a list or check box of the panel chooses; false for the other controls.
bool panelSetting(int controlId, Setting& setting);

class ControlPanel final : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanel(QWidget* parent = nullptr);

    // The control with this id, or null.
    QWidget* control(int id) const;
    // Selects a setting's value without reporting it as the user's choice.
    void showSetting(Setting setting, int value);
    // The Status text, the lists that may change in this state, and the Change and Tick
    // buttons, which follow the file commands' flag.
    void showTransportState(TransportState state);
    void setVolumeControlName(const QString& name);
    // The cursor frame's Time, Pitch and Volume; empty strings clear them.
    void showReadouts(const QString& time, const QString& pitch, const QString& volume);

signals:
    // The user chose a value in a list or toggled a check box.
    void settingChosen(hummwell::Setting setting, int value);
    // Change (1028) or Tick (1027).
    void buttonClicked(int controlId);

private:
    QComboBox* addList(int id, const QStringList& entries);
    void remember(int id, QWidget* control);

    std::map<int, QWidget*> controls_;
};

}  // namespace hummwell
