// The help document: a PDF built from our own help text when the program is built
// (help/HelpPdfWriter.cpp) and compiled in as the resource ":/help/Wavomer Help.pdf".
// helpDocument copies it into the temporary folder under its own file name and opens
// the copy in the desktop's default viewer. Where no viewer answers, the same text (the
// HTML it is printed from, compiled in as ":/help/WavomerHelp.html") is shown in a help
// window of the program's own.
//
// Threads: main thread.
#pragma once

#include <QString>

class QWidget;

namespace wavomer::app {

class Interaction;

// The resource path of the compiled-in PDF.
QString helpDocumentResource();
// Copies the PDF into the temporary folder when no file of its name is there or the one
// there differs (left by another version); answers the copy's path, or empty when the
// copy could not be made.
QString helpDocumentCopy();
// helpDocument: the copy opened in the default viewer through interaction, else the help
// window shown (and raised when it is already open); false only when neither could be.
bool helpDocument(Interaction& interaction);
// The help window while it is open, else null.
QWidget* helpWindow();

}  // namespace wavomer::app
