// Every text the user sees goes through the translation table "text", keyed by its
// English wording.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace wavomer::app {

inline QString text(const char* english) { return QCoreApplication::translate("text", english); }

}  // namespace wavomer::app
