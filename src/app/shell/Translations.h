// The program's translations: the "text" table for a locale is built into the program
// (":/i18n/wavomer_<language>.qm"); Qt's own texts (the standard buttons of the dialogs)
// come from Qt's installed translations when there are any.
//
// Threads: main thread.
#pragma once

#include <QLocale>

class QCoreApplication;

namespace wavomer::app {

// Installs the program's translation for locale (and Qt's, when found) on app. Answers
// whether the program's own translation was found; English needs none.
bool installTranslations(QCoreApplication& app, const QLocale& locale = QLocale());

}  // namespace wavomer::app
