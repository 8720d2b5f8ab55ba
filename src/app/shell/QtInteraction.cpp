#include "shell/QtInteraction.h"

#include <QColorDialog>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "base/Text.h"
#include "shell/RecoveryDialog.h"
#include "util/Log.h"

namespace wavomer::app {

namespace {

// A file manager that is there answers at once; one that hangs must not hold the window.
constexpr int kShowItemsTimeoutMs = 5000;

}  // namespace

Interaction::SaveChanges QtInteraction::askSaveChanges(QWidget* parent, const QString& projectName) {
    QMessageBox box(QMessageBox::Warning, Text::tr("Wavomer"),
                    Text::tr("Do you want to save the changes made to the project \"%1\"?").arg(projectName),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setInformativeText(Text::tr("Your changes will be lost if you don't save them."));
    box.setButtonText(QMessageBox::Save, Text::tr("Save"));
    box.setButtonText(QMessageBox::Discard, Text::tr("Don't Save"));
    box.setButtonText(QMessageBox::Cancel, Text::tr("Cancel"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save: return SaveChanges::save;
        case QMessageBox::Discard: return SaveChanges::discard;
        default: return SaveChanges::cancel;
    }
}

int QtInteraction::confirm(QWidget* parent, const Question& question) {
    const QMessageBox::Icon icon = question.kind == Question::Kind::warning       ? QMessageBox::Warning
                                   : question.kind == Question::Kind::information ? QMessageBox::Information
                                                                                  : QMessageBox::Question;
    QMessageBox box(icon, question.title, question.text, QMessageBox::NoButton, parent);
    if (!question.details.isEmpty()) box.setInformativeText(question.details);
    std::vector<QPushButton*> buttons;
    for (int i = 0; i < question.answers.size(); ++i) {
        const QMessageBox::ButtonRole role = i == question.cancelIndex()        ? QMessageBox::RejectRole
                                             : i == question.destructiveAnswer ? QMessageBox::DestructiveRole
                                                                                : QMessageBox::AcceptRole;
        buttons.push_back(box.addButton(question.answers[i], role));
    }
    if (question.defaultAnswer >= 0 && question.defaultAnswer < static_cast<int>(buttons.size()))
        box.setDefaultButton(buttons[static_cast<size_t>(question.defaultAnswer)]);
    if (question.cancelIndex() >= 0 && question.cancelIndex() < static_cast<int>(buttons.size()))
        box.setEscapeButton(buttons[static_cast<size_t>(question.cancelIndex())]);
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    return question.cancelIndex();
}

QString QtInteraction::chooseFolder(QWidget* parent, const QString& title, const QString& start, QWidget* accessory) {
    if (!accessory) return QFileDialog::getExistingDirectory(parent, title, start);
    QFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("exportFolderDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);  // a native dialog takes no accessory view
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, Text::tr("Choose"));
    dialog.setDirectory(start);
    QPointer<QWidget> owner = accessory->parentWidget();
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(accessory, grid->rowCount(), 0, 1, grid->columnCount());
    else
        dialog.layout()->addWidget(accessory);
    dialog.setWindowModality(Qt::WindowModal);  // a sheet: modal to the project window only
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    const QString folder = chosen ? dialog.selectedFiles().front() : QString();
    // The accessory is the caller's: it leaves before the dialog goes.
    accessory->hide();
    accessory->setParent(owner);
    return folder;
}

QString QtInteraction::chooseFile(QWidget* parent, const FileChoice& choice) {
    if (choice.forSaving)
        // The dialog's own question would see the name before an extension is added:
        // the caller asks about replacing.
        return QFileDialog::getSaveFileName(parent, choice.title, choice.start, choice.filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    return QFileDialog::getOpenFileName(parent, choice.title, choice.start, choice.filter);
}

QColor QtInteraction::chooseColour(QWidget* parent, const QColor& current, const QString& title) {
    return QColorDialog::getColor(current, parent, title);
}

RecoveryChoice QtInteraction::offerRecovery(const QStringList& rows) {
    RecoveryDialog dialog(rows);
    dialog.exec();
    RecoveryChoice choice;
    choice.chosen = dialog.chosen();
    switch (dialog.answer()) {
        case RecoveryDialog::Answer::Recover: choice.answer = RecoveryChoice::Answer::recover; break;
        case RecoveryDialog::Answer::Discard: choice.answer = RecoveryChoice::Answer::discard; break;
        case RecoveryDialog::Answer::Later: choice.answer = RecoveryChoice::Answer::later; break;
    }
    return choice;
}

void QtInteraction::tell(QWidget* parent, const QString& title, const Failure& failure) {
    if (failure.cancelled) return;
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::Ok, parent);
    box.setInformativeText(QString::fromStdString(failure.message()));
    box.setButtonText(QMessageBox::Ok, Text::tr("OK"));
    box.exec();
}

bool QtInteraction::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

Revealed QtInteraction::reveal(const QStringList& paths) {
    if (paths.isEmpty()) return Revealed::notAtAll;
    QStringList uris;
    for (const QString& path : paths) uris << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << uris << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, kShowItemsTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage) return Revealed::byFileManager;
        logLine("ShowItems: %s", reply.errorName().toUtf8().constData());
    }
    const QString folder = QFileInfo(paths.front()).absolutePath();
    return openUrl(QUrl::fromLocalFile(folder)) ? Revealed::byOpeningFolder : Revealed::notAtAll;
}

}  // namespace wavomer::app
