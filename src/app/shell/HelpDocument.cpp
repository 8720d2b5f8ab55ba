#include "shell/HelpDocument.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include "base/Interaction.h"
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

bool helpDocument(Interaction& interaction) {
    const QString copy = helpDocumentCopy();
    return !copy.isEmpty() && interaction.openUrl(QUrl::fromLocalFile(copy));
}

}  // namespace wavomer::app
