#include "panels/EditPanelDialog.h"
#include "base/Document.h"
#include "base/Text.h"
#include "base/WindowContext.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

namespace wavomer::app {

EditPanelDialog::EditPanelDialog(const WindowContext& context)
    : QDialog(context.parent), engine_(context.document.engine()) {
    setModal(true);
    preview_ = new PreviewPlayer(engine_.projectLock, context.document.outputDevice(), this);
    transport_ = new PreviewTransport(*preview_, this);
    // Play previews what was typed: the field is committed before the press plays (by the
    // mouse or an assistive tool's press, which emits pressed too).
    connect(&transport_->playButton(), &QToolButton::pressed, this, &EditPanelDialog::commitTypedValue);
}

EditPanelDialog::~EditPanelDialog() {
    preview_->release();
    // A panel destroyed while open counts as Cancel.
    if (session_) session_->drop();
}

void EditPanelDialog::open() {
    closing_ = false;
    preview_->release();
    if (session_) session_->drop();
    session_ = std::make_unique<PanelEditSession>(engine_);
    preview_->setSections(session_->sectionArrayArray(),
                          static_cast<int64_t>(engine_.timelineTrackArray().size()));
    preview_->setFactor(1.0f);
    transport_->reset();
    updateWindow();
}

void EditPanelDialog::commitTypedValue() {
    // A field loses the focus as it would to a click elsewhere: it commits what was typed
    // (its editingFinished), and only when the text changed.
    if (auto* field = qobject_cast<QLineEdit*>(focusWidget()); field && field->isModified()) field->clearFocus();
}

void EditPanelDialog::mousePressEvent(QMouseEvent* event) {
    commitTypedValue();
    QDialog::mousePressEvent(event);
}

void EditPanelDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && qobject_cast<QLineEdit*>(focusWidget())) return event->accept();
    QDialog::keyPressEvent(event);
}

void EditPanelDialog::change(const std::function<void(WaveEditViewController&)>& change) {
    if (session_) session_->change(change);
}

void EditPanelDialog::done(int result) {
    if (closing_) return QDialog::done(result);
    closing_ = true;
    // OK pressed by an assistive tool leaves the field focused: what it holds counts.
    if (result == QDialog::Accepted) commitTypedValue();
    if (result == QDialog::Accepted) okAction();
    preview_->release();
    transport_->reset();
    if (session_) {
        if (result == QDialog::Accepted) session_->keep();
        else session_->drop();
        session_.reset();
    }
    QDialog::done(result);
}

void EditPanelDialog::addTransportAndButtons(QBoxLayout& layout) {
    layout.addWidget(&transport());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text::tr("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text::tr("Cancel"));
    // Return in a field commits the field; it does not close the panel.
    buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Cancel)->setAutoDefault(false);
    layout.addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

}  // namespace wavomer::app
