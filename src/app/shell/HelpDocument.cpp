#include "shell/HelpDocument.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "base/Interaction.h"
#include "base/Text.h"
#include "rules/ExportRules.h"
#include "util/Log.h"

namespace wavomer::app {

QString helpDocumentResource() { return QStringLiteral(":/help/") + QLatin1String(rules::kHelpDocumentFileName); }

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

QString helpDocumentCopy() {
    const QByteArray pdf = contents(helpDocumentResource());
    if (pdf.isEmpty()) return {};
    const QString copy = QDir::temp().filePath(QLatin1String(rules::kHelpDocumentFileName));
    if (QFile::exists(copy) && contents(copy) == pdf) return copy;
    QFile::remove(copy);
    QFile out(copy);
    if (!out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size()) {
        warningLine("cannot copy the help document to %s", copy.toUtf8().constData());
        out.remove();
        return {};
    }
    return copy;
}

namespace {
QPointer<QTextBrowser> openHelpWindow;
}  // namespace

QWidget* helpWindow() { return openHelpWindow.data(); }

bool helpDocument(Interaction& interaction) {
    const QString copy = helpDocumentCopy();
    if (!copy.isEmpty() && interaction.openUrl(QUrl::fromLocalFile(copy))) return true;
    logLine("no viewer opened the help document; showing it in a window");
    if (!openHelpWindow) {
        const QByteArray html = contents(QStringLiteral(":/help/WavomerHelp.html"));
        if (html.isEmpty()) return false;
        auto* browser = new QTextBrowser;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->setObjectName(QStringLiteral("helpWindow"));
        browser->setWindowTitle(Text::tr("Wavomer Help"));
        browser->setAccessibleName(Text::tr("Wavomer Help"));
        browser->setOpenExternalLinks(true);
        browser->setHtml(QString::fromUtf8(html));
        browser->resize(720, 640);
        openHelpWindow = browser;
    }
    openHelpWindow->show();
    openHelpWindow->raise();
    openHelpWindow->activateWindow();
    return true;
}

}  // namespace wavomer::app
