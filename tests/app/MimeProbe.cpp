// Prints the type Qt's MIME database gives each file named on the command line (by name
// and content), one "PATH TYPE" line each: the desktop test asks it about projects.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QMimeDatabase database;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        std::printf("%s %s\n", argv[i], qPrintable(database.mimeTypeForFile(path).name()));
    }
    return 0;
}
