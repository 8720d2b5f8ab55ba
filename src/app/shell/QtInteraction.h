// QtInteraction: the program's interaction service. Questions are message boxes,
// choosers are Qt's file, folder and colour dialogs (the export's folder dialog with
// the export options below its list), failures are warning boxes with the reason as
// their second paragraph, URLs open through QDesktopServices, and files are revealed
// through org.freedesktop.FileManager1.ShowItems on the session bus, falling back to
// opening their folder when no file manager answers.
//
// Threads: main thread.
#pragma once

#include "base/Interaction.h"

namespace wavomer::app {

class QtInteraction : public Interaction {
public:
    SaveChanges askSaveChanges(QWidget* parent, const QString& projectName) override;
    int confirm(QWidget* parent, const Question& question) override;
    QString chooseFolder(QWidget* parent, const QString& title, const QString& start, QWidget* accessory) override;
    QString chooseFile(QWidget* parent, const FileChoice& choice) override;
    QColor chooseColour(QWidget* parent, const QColor& current, const QString& title) override;
    RecoveryChoice offerRecovery(const QStringList& rows) override;
    void tell(QWidget* parent, const QString& title, const Failure& failure) override;
    bool openUrl(const QUrl& url) override;
    Revealed reveal(const QStringList& paths) override;
};

}  // namespace wavomer::app
