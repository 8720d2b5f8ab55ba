// The program's icon for its windows, drawn from the same picture the launcher entry
// installs (resources/desktop/org.wavomer.Wavomer.svg, built in as ":/icons/org.wavomer.Wavomer.svg").
// That picture is rounded rectangles only, so it is read here and painted at each size
// with QPainter, and the program needs no SVG plug-in.
//
// Threads: main thread.
#pragma once

#include <QIcon>
#include <QString>

namespace wavomer::app {

// The icon at 16 to 256 pixels; an empty icon when the picture cannot be read.
QIcon applicationIcon();
// The picture in svgPath painted into a square image of size pixels (transparent when
// the picture cannot be read).
QImage paintIconPicture(const QString& svgPath, int size);

}  // namespace wavomer::app
