#include "CMetronomeDlg.h"

#include "document/SettingLabels.h"
#include "document/UserPrompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace hummwell {

namespace {

QStringList listOf(const std::vector<std::string>& labels) {
    QStringList out;
    for (const std::string& l : labels) out << QString::fromStdString(l);
    return out;
}

template <size_t N>
QStringList listOf(const std::array<const char*, N>& labels) {
    QStringList out;
    for (const char* l : labels) out << QString::fromUtf8(l);
    return out;
}

}  // namespace

CMetronomeDlg::CMetronomeDlg(UserPrompt& prompt, const ProjectSettings& settings, QWidget* parent)
    : QDialog(parent), prompt_(prompt), ticks_(settings) {
    setObjectName("metronomeDialog");
    setWindowTitle(kMetronomeDialogTitle);
    setAccessibleName(kMetronomeDialogTitle);
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* column = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    column->addLayout(groups);
    const char* const fieldNames[4] = {"Channel", "Instrument", "Note", "Velocity"};
    for (TickSound t : {TickSound::Measure, TickSound::Beat}) {
        const QString title = t == TickSound::Measure ? "Measure Tick" : "Beat Tick";
        auto* box = new QGroupBox(title);
        auto* form = new QFormLayout(box);
        auto& lists = lists_[static_cast<int>(t)];
        for (int f = 0; f < 4; ++f) {
            auto* list = new QComboBox;
            list->setObjectName(QString("%1%2").arg(t == TickSound::Measure ? "measure" : "beat").arg(fieldNames[f]));
            list->setAccessibleName(title + " " + fieldNames[f]);
            list->setMaxVisibleItems(16);
            form->addRow(fieldNames[f], list);
            lists[f] = list;
        }
        lists[Channel]->addItems(listOf(tickChannelLabels()));
        lists[Instrument]->addItems(listOf(kInstrumentLabels));
        lists[Velocity]->addItems(listOf(velocityLabels()));
        groups->addWidget(box);

        connect(lists[Channel], &QComboBox::activated, this, [this, t](int channel) {
            const std::string message = ticks_.chooseChannel(t, channel);
            refresh(t);
            if (!message.empty()) prompt_.error(message, PromptIcon::Exclamation);
        });
        connect(lists[Instrument], &QComboBox::activated, this,
                [this, t](int i) { ticks_.chooseInstrument(t, i); });
        connect(lists[Note], &QComboBox::activated, this, [this, t](int i) { ticks_.chooseNote(t, i); });
        connect(lists[Velocity], &QComboBox::activated, this,
                [this, t](int i) { ticks_.chooseVelocity(t, i); });
        refresh(t);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QAbstractButton* b : buttons->buttons()) {
        if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole) b->setText("OK");
        else b->setText("Cancel");
        b->setAccessibleName(b->text());
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

void CMetronomeDlg::refresh(TickSound t) {
    auto& lists = lists_[static_cast<int>(t)];
    const TickChoice& c = ticks_.choice(t);
    for (QComboBox* l : lists) l->blockSignals(true);
    const QStringList notes = ticks_.noteList(t) == NoteList::Percussion ? listOf(percussionLabels())
                                                                          : listOf(octaveLabels());
    if (lists[Note]->count() != notes.size() || lists[Note]->itemText(0) != notes.front()) {
        lists[Note]->clear();
        lists[Note]->addItems(notes);
    }
    lists[Channel]->setCurrentIndex(c.channel);
    lists[Instrument]->setCurrentIndex(c.instrument);
    lists[Instrument]->setEnabled(ticks_.instrumentEnabled(t));
    lists[Note]->setCurrentIndex(c.note);
    lists[Velocity]->setCurrentIndex(c.velocity);
    for (QComboBox* l : lists) l->blockSignals(false);
}

}  // namespace hummwell
