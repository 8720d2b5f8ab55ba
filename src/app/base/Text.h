// Every text the user sees goes through the translation table "text", keyed by its
// English wording: QCoreApplication::translate("text", english).
//
// Write a literal as Text::tr("Save"), which lupdate collects into the table. A text
// kept in a table of its own (the command rows, the menu titles) is marked with
// QT_TRANSLATE_NOOP("text", "...") where it is written and looked up with text().
#pragma once

#include <QCoreApplication>
#include <QString>

namespace wavomer::app {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(text)
};

inline QString text(const char* english) { return QCoreApplication::translate("text", english); }

}  // namespace wavomer::app
