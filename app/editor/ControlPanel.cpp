#include "ControlPanel.h"

#include "document/SettingLabels.h"
#include "editor/Commands.h"
#include "resources/Pictures.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace hummwell {

namespace {

struct PanelSetting {
    int id;
    Setting setting;
};
constexpr PanelSetting kPanelSettings[] = {
    {kPanelSpeed, Setting::Speed},
    {kPanelTempo, Setting::Metre},
    {kPanelKey, Setting::Key},
    {kPanelScale, Setting::Scale},
    {kPanelQuantize, Setting::QuantizeMode},
    {kPanelRefKeyAdjust, Setting::RefKeyAdjust},
    {kPanelTranspose, Setting::Transpose},
    {kPanelChannel, Setting::MidiChannel},
    {kPanelInstrument, Setting::Instrument},
    {kPanelVelocityOut, Setting::VelocityOutMode},
    {kPanelMetronome, Setting::MetronomeOn},
    {kPanelRealtimeOut, Setting::RealtimeOutOn},
};

// The lists that would change the recording or the playback under way.
constexpr int kLockedWhileRunning[] = {kPanelSpeed, kPanelTempo,      kPanelKey,
                                       kPanelScale, kPanelQuantize,   kPanelRefKeyAdjust,
                                       kPanelChannel, kPanelVelocityOut};

template <size_t N>
QStringList listOf(const std::array<const char*, N>& labels) {
    QStringList out;
    for (const char* l : labels) out << QString::fromUtf8(l);
    return out;
}

QStringList generated(int count, std::string (*label)(int)) {
    QStringList out;
    for (int i = 0; i < count; ++i) out << QString::fromStdString(label(i));
    return out;
}

QLabel* readout() {
    auto* label = new QLabel;
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(56);
    return label;
}

constexpr int kLabelWidth = 90;  // long labels wrap onto a second line
constexpr int kFieldWidth = 142;

QLabel* rowLabel(const char* text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setFixedWidth(kLabelWidth);
    return label;
}

// A list or readout is known to screen readers by its row's label.
void addRow(QFormLayout* form, const char* label, QWidget* field) {
    field->setFixedWidth(kFieldWidth);
    field->setAccessibleName(label);
    form->addRow(rowLabel(label), field);
}

void addRow(QFormLayout* form, const char* label, QLayout* field) { form->addRow(rowLabel(label), field); }

QFormLayout* compactForm(QGroupBox* box) {
    auto* form = new QFormLayout(box);
    form->setContentsMargins(4, 2, 4, 2);
    form->setVerticalSpacing(2);
    form->setHorizontalSpacing(4);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    return form;
}

}  // namespace

bool panelSetting(int controlId, Setting& setting) {
    for (const PanelSetting& p : kPanelSettings)
        if (p.id == controlId) {
            setting = p.setting;
            return true;
        }
    return false;
}

ControlPanel::ControlPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("controlPanel");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 2, 0);
    row->setSpacing(2);

    // The strip's first row is the view's first pitch row, below the 28-row header band.
    auto* keys = new QLabel;
    keys->setObjectName("panelKeyboard");
    keys->setPixmap(QPixmap::fromImage(pictures::keyboardStrip(20, pictures::KeyboardSide::ViewOnLeft)));
    keys->setFixedSize(20, pictures::kKeyboardHeight);
    auto* keyColumn = new QVBoxLayout;
    keyColumn->setContentsMargins(0, 28, 0, 0);
    keyColumn->addWidget(keys);
    keyColumn->addStretch();
    row->addLayout(keyColumn);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    row->addLayout(column);

    auto* volume = new QGroupBox("Volume Control");
    auto* volumeRow = new QHBoxLayout(volume);
    volumeRow->setContentsMargins(4, 2, 4, 2);
    auto* file = readout();
    remember(kPanelVolumeControl, file);
    auto* change = new QPushButton("Change");
    remember(kPanelChange, change);
    volumeRow->addWidget(file, 1);
    volumeRow->addWidget(change);
    column->addWidget(volume);

    auto* setup = new QGroupBox("Pitch Detection Setup");
    QFormLayout* form = compactForm(setup);
    auto* status = readout();
    remember(kPanelStatus, status);
    addRow(form, "Status", status);
    addRow(form, "Speed", addList(kPanelSpeed, listOf(kSpeedLabels)));
    addRow(form, "Tempo", addList(kPanelTempo, listOf(kMetreLabels)));
    addRow(form, "Key", addList(kPanelKey, listOf(kKeyLabels)));
    addRow(form, "Scale", addList(kPanelScale, listOf(kScaleLabels)));
    auto* metronome = new QCheckBox("On");
    remember(kPanelMetronome, metronome);
    auto* tick = new QPushButton("Tick");
    remember(kPanelTick, tick);
    auto* metronomeRow = new QHBoxLayout;
    metronomeRow->addWidget(metronome);
    metronomeRow->addWidget(tick);
    addRow(form, "Metronome", metronomeRow);
    addRow(form, "Reference Key Adjust", addList(kPanelRefKeyAdjust, generated(201, refKeyAdjustLabel)));
    addRow(form, "Transpose", addList(kPanelTranspose, generated(11, transposeLabel)));
    column->addWidget(setup);

    auto* data = new QGroupBox("Data");
    auto* readouts = new QFormLayout(data);
    readouts->setContentsMargins(4, 2, 4, 2);
    readouts->setVerticalSpacing(1);
    auto* time = readout();
    auto* pitch = readout();
    auto* loudness = readout();
    remember(kPanelTime, time);
    remember(kPanelPitch, pitch);
    remember(kPanelVolume, loudness);
    auto* dataRow = new QHBoxLayout;
    dataRow->addWidget(new QLabel("Time"));
    dataRow->addWidget(time, 2);
    dataRow->addWidget(new QLabel("Pitch"));
    dataRow->addWidget(pitch, 1);
    readouts->addRow(dataRow);
    readouts->addRow("Volume", loudness);
    column->addWidget(data);

    auto* midi = new QGroupBox("MIDI Setup");
    form = compactForm(midi);
    addRow(form, "Channel", addList(kPanelChannel, generated(kMidiChannels, midiChannelLabel)));
    addRow(form, "Instrument", addList(kPanelInstrument, listOf(kInstrumentLabels)));
    addRow(form, "Quantize", addList(kPanelQuantize, listOf(kQuantizeLabels)));
    auto* realtime = new QCheckBox("On");
    remember(kPanelRealtimeOut, realtime);
    addRow(form, "Real-time MIDI message out", realtime);
    addRow(form, "Velocity Out", addList(kPanelVelocityOut, listOf(kVelocityOutLabels)));
    column->addWidget(midi);

    auto* images = new QHBoxLayout;
    images->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        auto* picture = new QLabel;
        picture->setPixmap(QPixmap::fromImage(pictures::panelPicture(i)));
        picture->setFixedSize(50, 50);
        images->addWidget(picture);
    }
    images->addStretch();
    column->addLayout(images);
    column->addStretch();

    // Lists sort as the user reads them; the key and instrument tables are already in that
    // order, so an index is still the setting's value.
    for (int id : {kPanelKey, kPanelInstrument}) static_cast<QComboBox*>(control(id))->model()->sort(0);

    for (const PanelSetting& p : kPanelSettings) {
        const Setting setting = p.setting;
        if (auto* list = qobject_cast<QComboBox*>(control(p.id)))
            connect(list, &QComboBox::activated, this,
                    [this, setting](int index) { emit settingChosen(setting, index); });
        else if (auto* box = qobject_cast<QCheckBox*>(control(p.id)))
            connect(box, &QCheckBox::clicked, this,
                    [this, setting](bool on) { emit settingChosen(setting, on ? 1 : 0); });
    }
    connect(change, &QPushButton::clicked, this, [this] { emit buttonClicked(kPanelChange); });
    connect(tick, &QPushButton::clicked, this, [this] { emit buttonClicked(kPanelTick); });
}

QComboBox* ControlPanel::addList(int id, const QStringList& entries) {
    auto* list = new QComboBox;
    list->addItems(entries);
    list->setMaxVisibleItems(16);
    remember(id, list);
    return list;
}

void ControlPanel::remember(int id, QWidget* control) {
    control->setObjectName(QString("control%1").arg(id));
    control->setProperty("controlId", id);
    // Buttons and check boxes are found by their text, as the user reads it.
    if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setAccessibleName(button->text());
    controls_[id] = control;
}

QWidget* ControlPanel::control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void ControlPanel::showSetting(Setting setting, int value) {
    for (const PanelSetting& p : kPanelSettings) {
        if (p.setting != setting) continue;
        if (auto* list = qobject_cast<QComboBox*>(control(p.id))) {
            const QSignalBlocker quiet(list);
            list->setCurrentIndex(value);
        } else if (auto* box = qobject_cast<QCheckBox*>(control(p.id))) {
            const QSignalBlocker quiet(box);
            box->setChecked(value != 0);
        }
    }
}

void ControlPanel::showTransportState(TransportState state) {
    static_cast<QLabel*>(control(kPanelStatus))->setText(kTransportStatusLabels.at(state));
    const bool stopped = state == kIdle || state == kEmptyProject;
    for (int id : kLockedWhileRunning) control(id)->setEnabled(stopped);
    const bool file = commandFlags(state).file;
    control(kPanelChange)->setEnabled(file);
    control(kPanelTick)->setEnabled(file);
}

void ControlPanel::setVolumeControlName(const QString& name) {
    static_cast<QLabel*>(control(kPanelVolumeControl))->setText(name);
}

void ControlPanel::showReadouts(const QString& time, const QString& pitch, const QString& volume) {
    static_cast<QLabel*>(control(kPanelTime))->setText(time);
    static_cast<QLabel*>(control(kPanelPitch))->setText(pitch);
    static_cast<QLabel*>(control(kPanelVolume))->setText(volume);
}

}  // namespace hummwell
