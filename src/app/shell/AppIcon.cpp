#include "shell/AppIcon.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QXmlStreamReader>

namespace wavomer::app {

QImage paintIconPicture(const QString& svgPath, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QFile file(svgPath);
    if (!file.open(QIODevice::ReadOnly)) return image;
    QXmlStreamReader svg(&file);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor groupFill;
    while (!svg.atEnd()) {
        svg.readNext();
        if (svg.isEndElement() && svg.name() == QLatin1String("g")) groupFill = QColor();
        if (!svg.isStartElement()) continue;
        const QXmlStreamAttributes a = svg.attributes();
        auto number = [&](const char* name) { return a.value(QLatin1String(name)).toDouble(); };
        if (svg.name() == QLatin1String("svg")) {
            const double box = std::max(number("width"), 1.0);
            painter.scale(size / box, size / box);
        } else if (svg.name() == QLatin1String("g")) {
            groupFill = QColor(a.value(QLatin1String("fill")).toString());
        } else if (svg.name() == QLatin1String("rect")) {
            const QString fill = a.value(QLatin1String("fill")).toString();
            painter.setBrush(fill.isEmpty() ? groupFill : QColor(fill));
            const double r = number("rx");
            painter.drawRoundedRect(QRectF(number("x"), number("y"), number("width"), number("height")), r, r);
        }
    }
    painter.end();
    if (svg.hasError()) image.fill(Qt::transparent);
    return image;
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage image = paintIconPicture(QStringLiteral(":/icons/org.wavomer.Wavomer.svg"), size);
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace wavomer::app
