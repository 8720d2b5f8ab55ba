#include "base/RecentProjects.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>

#include "base/Document.h"
#include "config/UserConfig.h"
#include "util/Log.h"

namespace wavomer::app {

namespace {

const QString kBookmarkNamespace = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString kMimeNamespace = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");

void saveConfiguration() {
    const Outcome<> saved = UserConfig::share().save();
    if (!saved) warningLine("cannot save the user configuration: %s", saved.error().c_str());
}

// Our entry, as GLib writes one: the times, the MIME type and the application.
void writeEntry(QXmlStreamWriter& out, const QString& href, const QString& now) {
    out.writeStartElement(QStringLiteral("bookmark"));
    out.writeAttribute(QStringLiteral("href"), href);
    out.writeAttribute(QStringLiteral("added"), now);
    out.writeAttribute(QStringLiteral("modified"), now);
    out.writeAttribute(QStringLiteral("visited"), now);
    out.writeStartElement(QStringLiteral("info"));
    out.writeStartElement(QStringLiteral("metadata"));
    out.writeAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    out.writeEmptyElement(kMimeNamespace, QStringLiteral("mime-type"));
    out.writeAttribute(QStringLiteral("type"), QStringLiteral("inode/directory"));
    out.writeStartElement(kBookmarkNamespace, QStringLiteral("applications"));
    out.writeEmptyElement(kBookmarkNamespace, QStringLiteral("application"));
    out.writeAttribute(QStringLiteral("name"), QCoreApplication::applicationName());
    out.writeAttribute(QStringLiteral("exec"), QStringLiteral("'wavomer %u'"));
    out.writeAttribute(QStringLiteral("modified"), now);
    out.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
    out.writeEndElement();  // applications
    out.writeEndElement();  // metadata
    out.writeEndElement();  // info
    out.writeEndElement();  // bookmark
}

}  // namespace

QString recentlyUsedFile() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/recently-used.xbel");
}

Outcome<> addToRecentlyUsed(const QString& path, const QString& file) {
    const QString href = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    const QString now = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz000Z"));
    QByteArray existing;
    if (QFile in(file); in.open(QIODevice::ReadOnly)) existing = in.readAll();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return Failure::at(file.toStdString(), out.errorString().toStdString());
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    bool wroteOurs = false;
    if (!existing.isEmpty()) {
        // Every token copied as it is, but for our old entry; ours goes last, before </xbel>.
        QXmlStreamReader reader(existing);
        int skipping = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.hasError()) break;
            if (skipping > 0) {
                if (reader.isStartElement()) ++skipping;
                if (reader.isEndElement()) --skipping;
                continue;
            }
            if (reader.isStartElement() && reader.name() == QLatin1String("bookmark") &&
                reader.attributes().value(QStringLiteral("href")) == href) {
                skipping = 1;
                continue;
            }
            if (reader.isEndElement() && reader.name() == QLatin1String("xbel")) {
                writeEntry(writer, href, now);
                wroteOurs = true;
            }
            if (reader.isWhitespace()) continue;  // the writer lays the file out itself
            writer.writeCurrentToken(reader);
        }
        if (reader.hasError()) {
            // Not a list we can read: it is left alone rather than lost.
            out.cancelWriting();
            return Failure::at(file.toStdString(), "not a recently-used list: " + reader.errorString().toStdString());
        }
    }
    if (!wroteOurs) {
        writer.writeStartDocument();
        writer.writeNamespace(kBookmarkNamespace, QStringLiteral("bookmark"));
        writer.writeNamespace(kMimeNamespace, QStringLiteral("mime"));
        writer.writeStartElement(QStringLiteral("xbel"));
        writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        writeEntry(writer, href, now);
        writer.writeEndElement();
        writer.writeEndDocument();
    }
    if (!out.commit()) return Failure::at(file.toStdString(), out.errorString().toStdString());
    return {};
}

void rememberRecentProject(const std::string& folder) {
    if (folder.empty()) return;
    UserConfig::share().rememberRecentProject(folder);
    saveConfiguration();
    const Outcome<> added = addToRecentlyUsed(Document::pathText(folder), recentlyUsedFile());
    if (!added) warningLine("cannot add to the recently-used list: %s", added.error().c_str());
}

std::vector<std::string> recentProjects() {
    std::vector<std::string>& list = UserConfig::share().recentProjects;
    const auto missing = std::remove_if(list.begin(), list.end(), [](const std::string& folder) {
        return !QFileInfo(Document::pathText(folder) + QStringLiteral("/project.plist")).isFile();
    });
    if (missing != list.end()) {
        list.erase(missing, list.end());
        saveConfiguration();
    }
    return list;
}

void clearRecentProjects() {
    UserConfig::share().recentProjects.clear();
    saveConfiguration();
}

}  // namespace wavomer::app
