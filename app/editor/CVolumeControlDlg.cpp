#include "CVolumeControlDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace hummwell {

namespace {

const QColor kDisplayBackground(0xC0, 0xC0, 0xC0);
const QColor kPass(0x2E, 0xA0, 0x43);
const QColor kFail(0xD0, 0x32, 0x2A);
const QColor kWide(0xE8, 0xA0, 0x20);  // the wide band finds a peak the narrow test misses
const QColor kMarkColour(0x10, 0x10, 0x10);
const QColor kLevelQuiet(0x60, 0x60, 0x70);
const QColor kLevelHeard(0x20, 0xD0, 0x40);

// The scale's five zones: below the floor, floor to gate, gate to onset, onset to maximum,
// over the maximum. The first set shows an input whose floor lies at the bottom of the scale
// (digital silence: nothing is connected), the second a measured floor.
const QColor kDeadZones[5] = {{0x50, 0x50, 0x50}, {0x68, 0x68, 0x68}, {0x80, 0x80, 0x80},
                              {0x98, 0x98, 0x98}, {0xB0, 0xB0, 0xB0}};
const QColor kZones[5] = {{0x30, 0x30, 0x48}, {0x48, 0x58, 0x88}, {0xD8, 0xC8, 0x50},
                          {0x70, 0xC0, 0x70}, {0xE0, 0x60, 0x50}};

// A bar as the displays draw it: a rounded left cap, a body and a rounded right cap.
void drawBar(QPainter& p, int right, int y, int height, const QColor& colour) {
    if (right <= 0 || height <= 0) return;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRect(0, y, right, height), 3, 3);
}

class PitchDisplay final : public QWidget {
public:
    explicit PitchDisplay(const CVolumeControlDlg& dialog) : dialog_(dialog) {
        setFixedSize(kPitchDisplayWidth, kPitchDisplayHeight);
        setAccessibleName("Pitch detection indicator");
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const LevelReadings& r = dialog_.shown();
        const int w = width(), h = height();
        const PitchBars bars = pitchBars(r.pitchMeter, r.widePitchMeter, w);
        QPainter p(this);
        p.fillRect(rect(), kDisplayBackground);
        // The legend: where the test is passed.
        p.setPen(kMarkColour);
        p.drawLine(w / 2 - 6, 0, w / 2 - 6, h - 1);
        p.setRenderHint(QPainter::Antialiasing);
        if (bars.showWide) drawBar(p, bars.b, 7, h - 14, bars.widePasses ? kWide : kFail);
        drawBar(p, bars.a, 4, h - 8, bars.passes ? kPass : kFail);
    }

private:
    const CVolumeControlDlg& dialog_;
};

class LevelDisplay final : public QWidget {
public:
    explicit LevelDisplay(const CVolumeControlDlg& dialog) : dialog_(dialog) {
        setFixedSize(kLevelDisplayWidth, kLevelDisplayHeight);
        setAccessibleName("Input level");
        QFont f("Arial");
        f.setPixelSize(11);
        setFont(f);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const LevelReadings& r = dialog_.shown();
        const LevelScale s = levelScale(r, width());
        QPainter p(this);
        p.fillRect(rect(), kDisplayBackground);

        // The band, y 21 .. 42, in its five zones.
        const int edges[6] = {kScaleLeft, s.xFloor, s.xNoise, s.xOnset, s.xTop, kScaleRight};
        const QColor* zones = s.floorMeasured ? kZones : kDeadZones;
        for (int z = 0; z < 5; ++z) {
            const int left = std::clamp(edges[z], kScaleLeft, kScaleRight);
            const int right = std::clamp(edges[z + 1], kScaleLeft, kScaleRight);
            if (right > left) p.fillRect(left, 21, right - left, 22, zones[z]);
        }
        if (s.floorMeasured)
            for (int x : {s.xNoise, s.xOnset, s.xTop}) p.fillRect(x, 21, 1, 22, kMarkColour);
        // The level bar, y 26, 12 high.
        const int barRight = std::min(s.xLevel, kScaleRight);
        if (barRight > kScaleLeft)
            p.fillRect(kScaleLeft, 26, barRight - kScaleLeft, 12, s.aboveNoise ? kLevelHeard : kLevelQuiet);

        // The velocities under the marks, from y 44.
        p.setPen(Qt::black);
        const int base = 44 + p.fontMetrics().ascent();
        p.drawText(8, base, "MIDI Velocity");
        p.drawText(s.xNoise, base, "0");
        p.drawText(s.xOnset, base, "27");
        p.drawText(s.xTop - 21, base, "127");
        // What the band means, above it.
        p.drawText(kScaleLeft, 4 + p.fontMetrics().ascent(), "Input level");
    }

private:
    const CVolumeControlDlg& dialog_;
};

const char* const kSliderNames[4] = {"Recording Gain", "Noise Level", "Maximum Level",
                                     "Pitch Detection Level"};

}  // namespace

CVolumeControlDlg::CVolumeControlDlg(UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), run_(this), monitor_(prompt, run_) {
    setObjectName("volumeControlDialog");
    setWindowTitle(kVolumeDialogTitle);
    setAccessibleName(kVolumeDialogTitle);
    setModal(true);
    // No close button to press in vain where the window manager honours the hint.
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* column = new QVBoxLayout(this);

    // The file.
    auto* fileBox = new QGroupBox("Volume Control File");
    auto* fileRow = new QHBoxLayout(fileBox);
    fileTitle_ = new QLineEdit;
    fileTitle_->setObjectName("volumeFileTitle");
    fileTitle_->setReadOnly(true);
    fileTitle_->setAccessibleName("Volume Control File");
    auto* open = new QPushButton("Open");
    auto* saveAs = new QPushButton("Save as");
    for (QPushButton* b : {open, saveAs}) {
        b->setAccessibleName(b->text());
        b->setAutoDefault(false);
    }
    fileRow->addWidget(fileTitle_, 1);
    fileRow->addWidget(open);
    fileRow->addWidget(saveAs);
    column->addWidget(fileBox);

    // The sliders, each with its value.
    auto* grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        const auto which = static_cast<LevelSlider>(i);
        const SliderRange range = sliderRange(which);
        auto* label = new QLabel(kSliderNames[i]);
        auto* s = new QSlider(Qt::Horizontal);
        s->setObjectName(QString("slider%1").arg(i));
        s->setAccessibleName(kSliderNames[i]);
        s->setRange(range.minimum, range.maximum);
        s->setSingleStep(range.lineStep);
        s->setPageStep(range.pageStep);
        s->setMinimumWidth(260);
        label->setBuddy(s);
        auto* value = new QLabel;
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance("-000"));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, i, 0);
        grid->addWidget(s, i, 1);
        grid->addWidget(value, i, 2);
        sliders_[i] = s;
        values_[i] = value;
        connect(s, &QSlider::valueChanged, this, [this, which](int v) {
            monitor_.sliderMoved(which, v);
            refresh();
        });
    }
    boost_ = new QCheckBox("Boost up recording gain");
    boost_->setAccessibleName(boost_->text());
    grid->addWidget(boost_, 4, 1);
    connect(boost_, &QCheckBox::clicked, this, [this](bool on) {
        monitor_.boostClicked(on);
        refresh();
    });
    auto* pitchDisplay = new PitchDisplay(*this);
    pitchDisplay_ = pitchDisplay;
    grid->addWidget(new QLabel("Pitch found"), 5, 0);
    grid->addWidget(pitchDisplay, 5, 1, Qt::AlignLeft);
    column->addLayout(grid);

    auto* levelDisplay = new LevelDisplay(*this);
    levelDisplay_ = levelDisplay;
    column->addWidget(levelDisplay, 0, Qt::AlignHCenter);

    // The buttons.
    auto* buttons = new QHBoxLayout;
    auto* help = new QPushButton("Help");
    auto* apply = new QPushButton("Save and Apply");
    help->setAccessibleName(help->text());
    help->setAutoDefault(false);
    apply->setAccessibleName(apply->text());
    apply->setDefault(true);
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(apply);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(open, &QPushButton::clicked, this, &CVolumeControlDlg::openFile);
    connect(saveAs, &QPushButton::clicked, this, &CVolumeControlDlg::saveFileAs);
    connect(apply, &QPushButton::clicked, this, &CVolumeControlDlg::saveAndApply);
    connect(help, &QPushButton::clicked, this, &CVolumeControlDlg::helpRequested);
    connect(&timer_, &QTimer::timeout, this, &CVolumeControlDlg::refresh);
}

CVolumeControlDlg::~CVolumeControlDlg() { timer_.stop(); }

int CVolumeControlDlg::exec() {
    monitor_.begin();
    refresh();
    timer_.start(kLevelTimerMs);
    sliders_[0]->setFocus();
    const int result = QDialog::exec();
    // Only an ending program leaves without "Save and Apply": no run may outlive the dialog.
    timer_.stop();
    monitor_.end();
    return result;
}

void CVolumeControlDlg::reject() {}

void CVolumeControlDlg::closeEvent(QCloseEvent* event) { event->ignore(); }

void CVolumeControlDlg::refresh() {
    shown_ = monitor_.readings();
    const int values[4] = {shown_.settings.recordingGain, shown_.settings.noiseSetting,
                           shown_.settings.maximumSetting, shown_.settings.pitchSetting};
    for (int i = 0; i < 4; ++i) {
        // A slider the user holds keeps the value under the pointer.
        if (!sliders_[i]->isSliderDown() && sliders_[i]->value() != values[i]) {
            const QSignalBlocker quiet(sliders_[i]);
            sliders_[i]->setValue(values[i]);
        }
        values_[i]->setText(QString::number(values[i]));
    }
    if (boost_->isChecked() != (shown_.settings.gainBoost != 0)) {
        const QSignalBlocker quiet(boost_);
        boost_->setChecked(shown_.settings.gainBoost != 0);
    }
    const QString title = QString::fromStdString(monitor_.title());
    if (fileTitle_->text() != title) fileTitle_->setText(title);
    pitchDisplay_->update();
    levelDisplay_->update();
}

void CVolumeControlDlg::openFile() {
    timer_.stop();
    monitor_.open();
    refresh();
    timer_.start(kLevelTimerMs);
}

void CVolumeControlDlg::saveFileAs() {
    timer_.stop();
    monitor_.saveAs();
    refresh();
    timer_.start(kLevelTimerMs);
}

void CVolumeControlDlg::saveAndApply() {
    timer_.stop();
    applied_ = monitor_.saveAndApply();
    refresh();
    accept();
}

}  // namespace hummwell
