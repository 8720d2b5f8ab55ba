#include "shell/RecoveryDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Text.h"

namespace wavomer::app {

RecoveryDialog::RecoveryDialog(const QStringList& rows, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Text::tr("Recover Unsaved Changes"));
    setObjectName(QStringLiteral("RecoveryDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(Text::tr("Wavomer stopped before these projects were saved. Their changes were kept."),
                             this);
    label->setWordWrap(true);
    layout->addWidget(label);
    list_ = new QListWidget(this);
    list_->setAccessibleName(Text::tr("Unsaved projects"));
    for (const QString& row : rows) {
        auto* item = new QListWidgetItem(row, list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    label->setBuddy(list_);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* recover = buttons->addButton(Text::tr("Recover"), QDialogButtonBox::AcceptRole);
    QPushButton* discard = buttons->addButton(Text::tr("Discard"), QDialogButtonBox::DestructiveRole);
    QPushButton* later = buttons->addButton(Text::tr("Later"), QDialogButtonBox::RejectRole);
    recover->setDefault(true);
    connect(recover, &QPushButton::clicked, this, [this] {
        answer_ = Answer::Recover;
        accept();
    });
    connect(discard, &QPushButton::clicked, this, [this] {
        answer_ = Answer::Discard;
        accept();
    });
    connect(later, &QPushButton::clicked, this, [this] {
        answer_ = Answer::Later;
        reject();
    });
    layout->addWidget(buttons);
    resize(560, 320);
}

std::vector<bool> RecoveryDialog::chosen() const {
    std::vector<bool> rows;
    for (int i = 0; i < list_->count(); ++i) rows.push_back(list_->item(i)->checkState() == Qt::Checked);
    return rows;
}

}  // namespace wavomer::app
