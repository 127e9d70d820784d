// The "Metronome Tick Control" dialog: the channel, instrument, note and velocity lists of the
// measure tick and the beat tick, over the GUI-free MetronomeTicks, which holds their rules.
#pragma once

#include "editor/MetronomeTicks.h"

#include <QDialog>

#include <array>

class QComboBox;

namespace hummwell {

class UserPrompt;

class CMetronomeDlg final : public QDialog {
    Q_OBJECT
public:
    CMetronomeDlg(UserPrompt& prompt, const ProjectSettings& settings, QWidget* parent = nullptr);

    const MetronomeTicks& ticks() const { return ticks_; }
    enum Field { Channel, Instrument, Note, Velocity };
    QComboBox* list(TickSound t, Field f) const { return lists_[static_cast<int>(t)][f]; }

private:
    // Every list from the model: contents of the note lists, selections, enabling.
    void refresh(TickSound t);

    UserPrompt& prompt_;
    MetronomeTicks ticks_;
    std::array<std::array<QComboBox*, 4>, 2> lists_{};
};

}  // namespace hummwell
