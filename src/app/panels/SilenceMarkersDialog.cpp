#include "panels/SilenceMarkersDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

#include "base/BackgroundTask.h"
#include "base/Document.h"
#include "base/Interaction.h"
#include "base/Text.h"
#include "base/WindowContext.h"
#include "engine/EditActions.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "export/TrackSnapshot.h"

namespace wavomer::app {

namespace {
constexpr double kFramesPerSecond = 44100.0;
}  // namespace

SilenceMarkersDialog::SilenceMarkersDialog(QWidget* parent, bool wholeProject) : QDialog(parent) {
    setModal(true);
    setWindowTitle(Text::tr("Add Markers at Silences"));
    auto* layout = new QVBoxLayout(this);
    auto* scope = new QLabel(wholeProject ? Text::tr("Adds a marker in each silence of the whole project.")
                                          : Text::tr("Adds a marker in each silence of the selected tracks within the selection."),
                             this);
    scope->setWordWrap(true);
    scope->setMinimumWidth(400);
    layout->addWidget(scope);

    auto* form = new QFormLayout;
    threshold_ = new QDoubleSpinBox(this);
    threshold_->setRange(-120.0, 0.0);
    threshold_->setDecimals(1);
    threshold_->setSingleStep(1.0);
    threshold_->setSuffix(QStringLiteral(" dBFS"));
    threshold_->setValue(-40.0);
    threshold_->setAccessibleName(Text::tr("Threshold"));
    auto* thresholdLabel = new QLabel(Text::tr("Threshold:"), this);
    thresholdLabel->setBuddy(threshold_);
    form->addRow(thresholdLabel, threshold_);

    minimum_ = new QDoubleSpinBox(this);
    minimum_->setRange(0.01, 3600.0);
    minimum_->setDecimals(2);
    minimum_->setSingleStep(0.1);
    minimum_->setSuffix(QStringLiteral(" s"));
    minimum_->setValue(1.0);
    minimum_->setAccessibleName(Text::tr("Shortest silence"));
    auto* minimumLabel = new QLabel(Text::tr("Shortest silence:"), this);
    minimumLabel->setBuddy(minimum_);
    form->addRow(minimumLabel, minimum_);

    placement_ = new QComboBox(this);
    placement_->addItem(Text::tr("Start of each silence"), static_cast<int>(SilencePlacement::start));
    placement_->addItem(Text::tr("Middle of each silence"), static_cast<int>(SilencePlacement::middle));
    placement_->addItem(Text::tr("End of each silence"), static_cast<int>(SilencePlacement::end));
    placement_->setCurrentIndex(1);
    placement_->setAccessibleName(Text::tr("Place each marker at"));
    auto* placementLabel = new QLabel(Text::tr("Place each marker at:"), this);
    placementLabel->setBuddy(placement_);
    form->addRow(placementLabel, placement_);
    layout->addLayout(form);

    auto* hint = new QLabel(Text::tr("A silence is where every scanned track stays below the threshold. "
                                     "The silence before the first sound and after the last gets no marker."),
                            this);
    hint->setWordWrap(true);
    hint->setMinimumWidth(400);
    hint->setEnabled(false);
    layout->addWidget(hint);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text::tr("Add Markers"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text::tr("Cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

SilenceSearch SilenceMarkersDialog::search() const {
    SilenceSearch search;
    search.thresholdDb = threshold_->value();
    search.minimumSeconds = minimum_->value();
    search.placement = static_cast<SilencePlacement>(placement_->currentData().toInt());
    return search;
}

void addMarkersAtSilences(const WindowContext& context) {
    WaveEditViewController& engine = context.document.engine();
    // The selected tracks within the selection, or the whole project without one (as
    // Track > Loudness... measures).
    const auto [from, to, tracks, wholeProject] = readScope(engine);
    SilenceMarkersDialog dialog(context.parent, wholeProject);
    if (dialog.exec() != QDialog::Accepted) return;
    const SilenceSearch search = dialog.search();

    // A copy of the tracks, taken here on the main thread: the scan reads nothing else,
    // so the project may be played meanwhile.
    auto snapshot = std::make_shared<TrackSnapshot>(TrackSnapshot::take(tracks));
    const int64_t first = std::llround(from * kFramesPerSecond);
    const int64_t last = std::max(first, static_cast<int64_t>(std::llround(to * kFramesPerSecond)));
    std::vector<double> times;
    BackgroundTask task;
    task.title = Text::tr("Add Markers at Silences");
    task.label = Text::tr("Looking for silences...");
    task.progressName = Text::tr("Scanning progress");
    task.work = [&](const std::atomic<bool>& cancel, std::atomic<double>& progress) {
        times = findSilenceTimes(*snapshot, first, last, search, &cancel, &progress);
    };
    if (!runInBackground(context.parent, task)) return;

    size_t added = 0;
    {
        UserEvent event(engine);
        added = EditActions::addMarkersAtTimes(engine, times);
    }
    Question report;
    report.kind = Question::Kind::information;
    report.title = Text::tr("Add Markers at Silences");
    if (added == 1) report.text = Text::tr("Added 1 marker at a silence.");
    else if (added > 1) report.text = Text::tr("Added %1 markers at silences.").arg(added);
    else if (times.empty()) report.text = Text::tr("No silences were found: no marker was added.");
    else report.text = Text::tr("Every silence found has a marker already: no marker was added.");
    report.answers = {Text::tr("OK")};
    context.interaction.confirm(context.parent, report);
}

}  // namespace wavomer::app
