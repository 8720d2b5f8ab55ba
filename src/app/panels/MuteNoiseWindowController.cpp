#include "panels/MuteNoiseWindowController.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/PanelRules.h"
#include "base/Document.h"
#include "base/Interaction.h"
#include "base/WindowContext.h"
#include "base/Text.h"

namespace wavomer::app {

MuteNoiseWindowController::MuteNoiseWindowController(const WindowContext& context)
    : QDialog(context.parent), engine_(context.document.engine()), interaction_(context.interaction) {
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    prompt_ = new QLabel(this);
    field_ = new QLineEdit(this);
    field_->setPlaceholderText(QStringLiteral("00:00.000"));
    prompt_->setBuddy(field_);
    layout->addWidget(prompt_);
    layout->addWidget(field_);
    auto* hint = new QLabel(Text::tr("Type minutes:seconds or seconds."), this);
    hint->setEnabled(false);
    layout->addWidget(hint);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text::tr("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text::tr("Cancel"));
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(300);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(field_, &QLineEdit::editingFinished, this, &MuteNoiseWindowController::controlTextDidEndEditing);
    updateWindowWithMute(true);
}

QString MuteNoiseWindowController::insertTitle() const {
    return isMute_ ? Text::tr("Insert mute duration:") : Text::tr("Insert noise duration:");
}

void MuteNoiseWindowController::updateWindowWithMute(bool isMute) {
    insertTime_ = 0.0;
    isMute_ = isMute;
    prompt_->setText(insertTitle());
    setWindowTitle(isMute_ ? Text::tr("Mute") : Text::tr("Noise"));
    field_->setAccessibleName(insertTitle());
    flushInsertTime();
}

void MuteNoiseWindowController::controlTextDidEndEditing() {
    insertTime_ = rules::insertTimeFromText(field_->text().trimmed().toStdString());
    flushInsertTime();
}

void MuteNoiseWindowController::flushInsertTime() {
    field_->setText(QString::fromStdString(rules::insertTimeText(insertTime_)));
}

void MuteNoiseWindowController::done(int result) {
    // Ending the editing commits what was typed, for OK and Cancel alike.
    if (field_->isModified()) controlTextDidEndEditing();
    if (result == QDialog::Accepted && insertTime_ != 0.0) {
        Outcome<> outcome;
        {
            UserEvent event(engine_);
            outcome = engine_.insertMute(isMute_, insertTime_);
        }
        if (!outcome.ok())
            interaction_.tell(this,
                              isMute_ ? Text::tr("The silence could not be inserted.")
                                      : Text::tr("The noise could not be inserted."),
                              outcome.failure());
    }
    QDialog::done(result);
}

}  // namespace wavomer::app
