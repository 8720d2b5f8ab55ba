#include "base/Interaction.h"

#include <QFileInfo>

#include "base/Text.h"

namespace wavomer::app {

void Interaction::tellWarnings(QWidget* parent, const QString& title, const std::vector<std::string>& warnings) {
    if (warnings.empty()) return;
    std::string joined;
    for (const std::string& line : warnings) joined += (joined.empty() ? "" : "\n") + line;
    tell(parent, title, Failure::because(joined));
}

void Interaction::inform(QWidget* parent, const QString& text) {
    Question notice;
    notice.kind = Question::Kind::warning;
    notice.text = text;
    notice.answers = {Text::tr("OK")};
    confirm(parent, notice);
}

void Interaction::openFiles(const QStringList& paths) {
    for (const QString& path : paths) openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

}  // namespace wavomer::app
