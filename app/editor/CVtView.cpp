#include "CVtView.h"

#include "editor/Commands.h"
#include "editor/Navigation.h"
#include "editor/NoteDrag.h"
#include "document/ProjectFile.h"
#include "resources/PatternPicture.h"
#include "shell/CVolumeControlDlg.h"
#include "shell/TonikHostHook.h"
#include "tonik.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThread>

namespace hummwell {

namespace {

constexpr int kHeaderRows = 28;
const QColor kHeaderColour(0, 0, 0);
const QColor kHeaderLineColour(128, 128, 128);
const QColor kPitchAreaColour(216, 216, 216);

// The pictures before the grid is drawn into them: the header band and an empty pitch area.
void fillEmpty(QImage& picture) {
    QPainter p(&picture);
    p.fillRect(0, 0, picture.width(), kHeaderRows, kHeaderColour);
    p.fillRect(0, kHeaderRows, picture.width(), picture.height() - kHeaderRows, kPitchAreaColour);
    p.setPen(kHeaderLineColour);
    p.drawLine(0, 14, picture.width() - 1, 14);
}

}  // namespace

int settleMaxFrames(int frames, const std::function<bool(int)>& makePictures) {
    while (frames > 0 && !makePictures(frames)) frames /= 2;
    return frames;
}

CVtView::Timer::Timer(CVtView& view) {
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &view, [&view] {
        view.state_.onPlaybackTimer();
        emit view.commandsMayHaveChanged();
    });
}

void CVtView::Timer::start(int periodMs) { timer.start(periodMs); }
void CVtView::Timer::stop() { timer.stop(); }

CVtView::CVtView(UserPrompt& prompt, std::unique_ptr<MidiDevice> device, QWidget* parent)
    : QAbstractScrollArea(parent),
      output_(std::move(device), prompt),
      input_(this),
      timer_(*this),
      state_(prompt, *this, output_, input_, clock_, timer_) {
    output_.attach(state_);
    input_.attach(state_);
    setObjectName("noteView");
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    horizontalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setEnabled(false);
    volumeDialog_ = new CVolumeControlDlg(prompt, this);
}

CVtView::~CVtView() {
    // A run in progress delivers into this view: end it before the state goes.
    if (state_.transportState == kRecording || state_.transportState == kPlaying) state_.stop();
    host_.reset();
}

bool CVtView::makePictures(int frames) {
    gridPicture_ = QImage(frames, kDrawingRows, QImage::Format_RGB32);
    trackPicture_ = QImage(frames, kDrawingRows, QImage::Format_RGB32);
    if (gridPicture_.isNull() || trackPicture_.isNull()) {
        gridPicture_ = trackPicture_ = QImage();
        return false;
    }
    return true;
}

bool CVtView::initialUpdate(const std::string& commandLineFile,
                            const std::function<void()>& hideSplash) {
    state_.maxFrames = settleMaxFrames(kDefaultMaxFrames, [this](int f) { return makePictures(f); });
    patternPicture_ = pictures::patternPicture();
    aheadPicture_ = QImage(kAheadColumns, kDrawingRows, QImage::Format_RGB32);
    if (state_.maxFrames < 2 || aheadPicture_.isNull() || patternPicture_.isNull()) {
        state_.prompt.error("Not enough memory for the note view.");
        return false;
    }
    fillEmpty(gridPicture_);
    fillEmpty(trackPicture_);
    fillEmpty(aheadPicture_);
    state_.settings.ownerLabel = ProjectSettings{}.ownerLabel;
    volumeDialog_->monitor().setOwnerLabel(state_.settings.ownerLabel);

    host_ = std::make_unique<TonikHostHook>(state_.prompt, [] { QCoreApplication::quit(); });
    tonik_initialize(this);

    state_.resetTrack();
    state_.cursorFrame = 0;
    state_.viewWidth = viewport()->width();
    setScroll(1, 0, false);
    verticalScrollBar()->setRange(0, std::max(0, kDrawingRows - viewport()->height()));

    // The defaults, each through its setter and then shown in the panel.
    const ProjectSettings defaults;
    for (Setting s : {Setting::Speed, Setting::Metre, Setting::Key, Setting::Scale,
                      Setting::QuantizeMode, Setting::RefKeyAdjust, Setting::MidiChannel,
                      Setting::Instrument, Setting::Transpose, Setting::VelocityOutMode,
                      Setting::MetronomeOn, Setting::RealtimeOutOn}) {
        state_.setSetting(s, defaults.get(s));
        showSetting(s, defaults.get(s));
    }
    showTransportState(state_.transportState);

    output_.openMidiOutput();
    output_.clearSoundedNote();
    if (hideSplash) hideSplash();
    // Nothing is recorded before the gate is set: the level set-up comes first.
    volumeControl();

    if (!commandLineFile.empty() && readProjectFile(state_, commandLineFile)) finishOpen(state_);
    emit commandsMayHaveChanged();
    return true;
}

bool CVtView::runCommand(int id) {
    if (id == kCmdPanelChange) return volumeControl();
    const bool ran = hummwell::runCommand(state_, id);
    emit commandsMayHaveChanged();
    return ran;
}

bool CVtView::volumeControl() {
    if (!commandEnabled(state_, kCmdPanelChange)) return false;
    LevelMonitor& monitor = volumeDialog_->monitor();
    monitor.setPath(volumeControlPath_);
    if (volumeDialog_->exec() != QDialog::Accepted) return true;  // the program is ending
    const DerivedLevels& d = volumeDialog_->appliedLevels();
    state_.levels = {d.noiseLevel, d.levelSpan, d.onsetLevel};
    volumeControlPath_ = monitor.path();
    emit volumeControlChosen(QString::fromStdString(volumeControlPath_),
                             QString::fromStdString(monitor.title()));
    emit commandsMayHaveChanged();
    return true;
}

void CVtView::chooseSetting(Setting setting, int value) {
    state_.setSetting(setting, value);
    emit commandsMayHaveChanged();
}

void CVtView::onGuiThread(std::function<void()> work) {
    if (QThread::currentThread() == thread())
        work();
    else
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void CVtView::renderStretch(int, int) { repaint(); }
void CVtView::drawRecordedColumn(int) { repaintLeftHalf(); }
void CVtView::prepareRecordingDisplay() { repaint(); }
void CVtView::clearPicture() {
    onGuiThread([this] {
        fillEmpty(trackPicture_);
        viewport()->update();
    });
}
void CVtView::redrawGrid() { repaint(); }

void CVtView::onGuiThreadOnce(std::atomic<bool>& queued, std::function<void()> work) {
    // From the capture thread at most one such request waits in the queue: a burst of blocks
    // is one repaint, and nothing piles up while the GUI thread is busy.
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    if (queued.exchange(true)) return;
    QMetaObject::invokeMethod(this, [&queued, work = std::move(work)] {
        queued = false;
        work();
    }, Qt::QueuedConnection);
}

void CVtView::repaint() {
    onGuiThreadOnce(repaintQueued_, [this] {
        viewport()->update();
        emit commandsMayHaveChanged();
    });
}

void CVtView::repaintColumn(int x) {
    onGuiThread([this, x] {
        viewport()->update(x, 0, 1, kDrawingRows + 1);
        emit commandsMayHaveChanged();
    });
}

void CVtView::repaintLeftHalf() {
    onGuiThreadOnce(leftRepaintQueued_, [this] {
        viewport()->update(0, 0, viewport()->width() / 2 + 1, kDrawingRows + 1);
    });
}

void CVtView::setScroll(int range, int position, bool enabled) {
    onGuiThread([this, range, position, enabled] {
        // The state sets the position itself; only the user's scrolling is handed back.
        settingScroll_ = true;
        QScrollBar* bar = horizontalScrollBar();
        bar->setRange(0, std::max(0, range - 1));
        bar->setPageStep(std::max(1, viewport()->width()));
        bar->setValue(position);
        bar->setEnabled(enabled);
        settingScroll_ = false;
    });
}

void CVtView::showTransportState(TransportState s) {
    onGuiThread([this, s] {
        emit transportShown(s);
        emit commandsMayHaveChanged();
    });
}

void CVtView::showSetting(Setting setting, int value) {
    onGuiThread([this, setting, value] { emit settingShown(setting, value); });
}

int CVtView::rowAt(int y) const { return y + verticalScrollBar()->value(); }

void CVtView::scrollContentsBy(int, int) {
    if (!settingScroll_) onScrolled(state_, horizontalScrollBar()->value());
    viewport()->update();
    emit commandsMayHaveChanged();
}

void CVtView::keyPressEvent(QKeyEvent* event) { event->ignore(); }

void CVtView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    verticalScrollBar()->setRange(0, std::max(0, kDrawingRows - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    onViewResized(state_, viewport()->width());
}

void CVtView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    leftButtonDown(state_, p.x(), rowAt(p.y()), event->modifiers() & Qt::ShiftModifier);
    emit commandsMayHaveChanged();
}

void CVtView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const PointerFlags flags{event->buttons() != Qt::NoButton,
                             (event->modifiers() & Qt::ShiftModifier) != 0,
                             (event->modifiers() & Qt::ControlModifier) != 0};
    pointerMove(state_, p.x(), rowAt(p.y()), flags);
    emit commandsMayHaveChanged();
}

void CVtView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    leftButtonUp(state_, p.x(), rowAt(p.y()), event->modifiers() & Qt::ShiftModifier);
    emit commandsMayHaveChanged();
}

void CVtView::paintEvent(QPaintEvent*) {
    // Until the track is drawn into the pictures, the view shows the empty picture around the
    // cursor line at the centre.
    QPainter p(viewport());
    const int top = -verticalScrollBar()->value();
    const int half = viewport()->width() / 2;
    p.drawImage(QPoint(0, top), trackPicture_, QRect(0, 0, viewport()->width(), kDrawingRows));
    p.fillRect(QRect(0, top + kDrawingRows, viewport()->width(), viewport()->height()),
               palette().window());
    p.drawImage(QPoint(half, top), patternPicture_,
                QRect(pictures::kCursorLineColumn, 0, 1, kDrawingRows));
}

}  // namespace hummwell
