#include "CVtView.h"

#include "editor/CMetronomeDlg.h"
#include "editor/Commands.h"
#include "editor/Navigation.h"
#include "editor/NoteDrag.h"
#include "editor/PanelChoice.h"
#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"
#include "resources/PatternPicture.h"
#include "editor/CVolumeControlDlg.h"

#include "tonik.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThread>

namespace hummwell {

namespace {

constexpr int kTakeRefreshMs = 15;  // the picture of a take refreshes about every frame

// CRectTracker's look: a hatched band outside the note and eight solid handles in it.
void drawTracker(QPainter& p, int left, int top, int right, int bottom) {
    const int h = kHandleSize;
    const QRect outer(left - h, top - h, right - left + 2 * h, bottom - top + 2 * h);
    const QRegion band = QRegion(outer) - QRegion(left, top, right - left, bottom - top);
    p.save();
    p.setClipRegion(band, Qt::IntersectClip);
    p.fillRect(outer, QBrush(Qt::black, Qt::BDiagPattern));
    p.restore();
    const int midX = (left + right) / 2 - h / 2;
    const int midY = (top + bottom) / 2 - h / 2;
    for (const QPoint& at : {QPoint(left - h, top - h), QPoint(right, top - h), QPoint(right, bottom),
                             QPoint(left - h, bottom), QPoint(midX, top - h), QPoint(right, midY),
                             QPoint(midX, bottom), QPoint(left - h, midY)})
        p.fillRect(QRect(at, QSize(h, h)), Qt::black);
}

Qt::CursorShape shapeFor(int handle) {
    switch (handle) {
    case kDragTopLeft:
    case kDragBottomRight: return Qt::SizeFDiagCursor;
    case kDragTopRight:
    case kDragBottomLeft: return Qt::SizeBDiagCursor;
    case kDragLeft:
    case kDragRight: return Qt::SizeHorCursor;
    case kDragTop:
    case kDragBottom: return Qt::SizeVerCursor;
    case kDragMove: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
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
    takeTimer_.setInterval(kTakeRefreshMs);
    connect(&takeTimer_, &QTimer::timeout, this, &CVtView::drainTakeRequests);
    horizontalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setEnabled(false);
    volumeDialog_ = new CVolumeControlDlg(prompt, this);
}

CVtView::~CVtView() {
    // A run in progress delivers into this view: end it before the state goes.
    if (state_.transportState == kRecording || state_.transportState == kPlaying) state_.stop();
}

bool CVtView::initialUpdate(const std::string& commandLineFile,
                            const std::function<void()>& hideSplash) {
    state_.maxFrames = settleMaxFrames(kDefaultMaxFrames, [this](int f) { return pictures_.make(f); });
    if (state_.maxFrames < 2 || !pictures_.makeAhead()) {
        state_.prompt.error("Not enough memory for the note view.");
        return false;
    }
    state_.settings.ownerLabel = ProjectSettings{}.ownerLabel;
    volumeDialog_->monitor().setOwnerLabel(state_.settings.ownerLabel);

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
    redrawGrid();

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
    if (id == kCmdPanelTick) return metronomeTicks();
    // Stop hears a take again whole and Find Notes goes over the track: up to a second for a
    // full one.
    const bool slow = (id == kCmdStop && state_.transportState == kRecording) || id == kCmdFindNotes;
    if (slow) QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ran = hummwell::runCommand(state_, id);
    if (slow) QApplication::restoreOverrideCursor();
    emit commandsMayHaveChanged();
    return ran;
}

bool CVtView::volumeControl() {
    if (!commandEnabled(state_, kCmdPanelChange)) return false;
    LevelMonitor& monitor = volumeDialog_->monitor();
    monitor.setPath(volumeControlPath_);
    if (volumeDialog_->exec() != QDialog::Accepted) return true;  // the program is ending
    const LevelThresholds& d = volumeDialog_->appliedLevels();
    state_.levels = d;
    volumeControlPath_ = monitor.path();
    emit volumeControlChosen(QString::fromStdString(volumeControlPath_),
                             QString::fromStdString(monitor.title()));
    emit commandsMayHaveChanged();
    return true;
}

bool CVtView::metronomeTicks() {
    if (!commandEnabled(state_, kCmdPanelTick)) return false;
    CMetronomeDlg dialog(state_.prompt, state_.settings, this);
    if (dialog.exec() == QDialog::Accepted) dialog.ticks().applyTo(state_);
    emit commandsMayHaveChanged();
    return true;
}

void CVtView::chooseSetting(Setting setting, int value) {
    if (!panelChoiceAllowed(state_, setting, value)) return;
    {
        // A take may be reading the settings on its capture thread.
        const std::lock_guard lock(state_.takeLock);
        state_.setSetting(setting, value);
    }
    emit commandsMayHaveChanged();
}

void CVtView::onGuiThread(std::function<void()> work) {
    if (QThread::currentThread() == thread())
        work();
    else
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void CVtView::renderStretch(int first, int count) {
    onGuiThread([this, first, count] {
        pictures_.renderStretch(state_.track, state_.settings, noteBars_, first, first + count);
        viewport()->update();
    });
}
// On the capture thread, with the take lock held by the state: the paint takes the same lock.
void CVtView::drawRecordedColumn(int frame) { pictures_.drawRecordedFrame(state_.track, frame); }

void CVtView::prepareRecordingDisplay() {
    onGuiThread([this] {
        pictures_.prepareAhead(state_.cursorFrame);
        viewport()->update();
        repaintWanted_ = leftRepaintWanted_ = takeFullWanted_ = false;
        takeTimer_.start();
    });
}

// Stopping joins the capture thread, which is the caller: the take timer stops it from the
// GUI thread's event loop.
void CVtView::takeFull() { takeFullWanted_.store(true); }
void CVtView::clearPicture() {
    onGuiThread([this] {
        pictures_.eraseTrack();
        viewport()->update();
    });
}
void CVtView::redrawGrid() {
    onGuiThread([this] {
        noteBars_.rebuild(state_.settings.get(Setting::Scale), state_.settings.keyOffset());
        pictures_.renderGrid(state_.settings);
        viewport()->update();
    });
}

void CVtView::onGuiThreadOnce(std::atomic<bool>& wanted, const std::function<void()>& work) {
    if (QThread::currentThread() == thread())
        work();
    else
        wanted.store(true);
}

void CVtView::drainTakeRequests() {
    if (repaintWanted_.exchange(false)) {
        viewport()->update();
        emit commandsMayHaveChanged();
    }
    if (leftRepaintWanted_.exchange(false))
        viewport()->update(0, 0, viewport()->width() / 2 + 1, kDrawingRows + 1);
    if (takeFullWanted_.exchange(false) && state_.transportState == kRecording) runCommand(kCmdStop);
    if (state_.transportState != kRecording) takeTimer_.stop();
}

void CVtView::repaint() {
    onGuiThreadOnce(repaintWanted_, [this] {
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
    onGuiThreadOnce(leftRepaintWanted_, [this] {
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
int CVtView::topOffset() const { return -verticalScrollBar()->value(); }

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
    drag_.leftButtonDown(state_, p.x(), rowAt(p.y()), event->modifiers() & Qt::ShiftModifier);
    emit commandsMayHaveChanged();
}

void CVtView::updatePointerShape(int x, int row) {
    const Qt::CursorShape shape =
        state_.transportState == kIdle ? shapeFor(trackerHitAt(state_, x, row)) : Qt::ArrowCursor;
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void CVtView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->buttons() == Qt::NoButton) updatePointerShape(p.x(), rowAt(p.y()));
    const PointerFlags flags{event->buttons() != Qt::NoButton,
                             (event->modifiers() & Qt::ShiftModifier) != 0,
                             (event->modifiers() & Qt::ControlModifier) != 0};
    drag_.pointerMove(state_, p.x(), rowAt(p.y()), flags);
    emit commandsMayHaveChanged();
}

void CVtView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    drag_.leftButtonUp(state_, p.x(), rowAt(p.y()), event->modifiers() & Qt::ShiftModifier);
    emit commandsMayHaveChanged();
}

PaintPlan CVtView::paintPlan() const {
    const std::lock_guard lock(state_.takeLock);
    return planPaint(state_, pictures_.lines(), viewport()->width(), kAheadColumns);
}

void CVtView::showReadouts(const Readouts& r) {
    if (r.time == shownReadouts_.time && r.pitch == shownReadouts_.pitch &&
        r.volume == shownReadouts_.volume)
        return;
    shownReadouts_ = r;
    emit readoutsShown(QString::fromStdString(r.time), QString::fromStdString(r.pitch),
                       QString::fromStdString(r.volume));
}

void CVtView::paintEvent(QPaintEvent*) {
    // At most five block copies and one inversion or tracker: every note was drawn off
    // screen, once, for the stretch that changed.
    // The capture thread draws into the track picture and moves the cursor between blocks:
    // the plan and the copies see one frame's state.
    std::unique_lock lock(state_.takeLock);
    const PaintPlan plan = planPaint(state_, pictures_.lines(), viewport()->width(), kAheadColumns);
    QPainter p(viewport());
    const int top = topOffset();
    for (const Slice& s : plan.slices)
        p.drawImage(QPoint(s.clientX, top), pictures_.picture(s.source),
                    QRect(s.sourceX, 0, s.width, kDrawingRows));
    p.fillRect(QRect(0, top + kDrawingRows, viewport()->width(), viewport()->height()),
               palette().window());
    lock.unlock();
    p.drawImage(QPoint(plan.cursorX, top), pictures_.pattern(),
                QRect(pictures::kCursorLineColumn, 0, 1, kDrawingRows));
    if (plan.countIn)
        p.drawImage(QPoint(plan.countInX, top), pictures_.pattern(),
                    QRect(pictures::kCursorLineColumn, 0, 1, kDrawingRows));
    if (plan.invert) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(QRect(plan.invertX, top, plan.invertWidth, kDrawingRows), Qt::white);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (plan.tracker)
        drawTracker(p, plan.trackerLeft, plan.trackerTop + top, plan.trackerRight, plan.trackerBottom + top);
    p.end();
    showReadouts(plan.readouts);
}

}  // namespace hummwell
