// wavomer [PROJECT.wvmp | PROJECT.wvmp/project.plist]: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <string>
#include <vector>

#include "shell/AppIcon.h"
#include "shell/Application.h"
#include "shell/QtInteraction.h"
#include "base/Text.h"
#include "shell/Translations.h"
#include "window/MainWindow.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wavomer"));
    QApplication::setOrganizationDomain(QStringLiteral("wavomer.org"));
    QApplication::setApplicationVersion(QStringLiteral(WAVOMER_VERSION));
    // The launcher entry's name, so the desktop pairs the windows with it and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wavomer.Wavomer"));
    QApplication::setWindowIcon(wavomer::app::applicationIcon());
    wavomer::app::installTranslations(qt);

    QCommandLineParser parser;
    parser.setApplicationDescription(wavomer::app::Text::tr("A multi-track audio editor."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption silent(QStringLiteral("silent"), wavomer::app::Text::tr("Play on the silent device."));
    parser.addOption(silent);
    parser.addPositionalArgument(QStringLiteral("project"), wavomer::app::Text::tr("A project to open."),
                                 QStringLiteral("[PROJECT.wvmp]"));
    parser.process(qt);

    wavomer::app::QtInteraction interaction;
    wavomer::app::Application app(interaction, parser.isSet(silent) ? wavomer::OutputDevice::Silent
                                                                     : wavomer::OutputDevice::Automatic);
    QObject::connect(&qt, &QCoreApplication::aboutToQuit, [] { wavomer::app::Application::cleanUpAtExit(); });
    // The projects as the bytes the system gave: a folder name need not be UTF-8, and
    // decoding it for Qt would lose what names it.
    std::vector<std::string> projects;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-' || argv[i][1] == '\0') projects.emplace_back(argv[i]);
    // Unsaved edits a crash left are offered before any other window.
    bool opened = app.offerRecoveredDocuments() > 0;
    const bool recovered = opened;
    for (const std::string& project : projects) opened = app.openProject(project) != nullptr || opened;
    if (projects.empty() && !recovered) opened = app.openUntitled() != nullptr;
    if (!opened) {
        wavomer::app::Application::cleanUpAtExit();
        return 1;
    }
    // A recording a crash cut short is offered once the first window is up.
    QTimer::singleShot(0, &app, [&app] {
        const std::vector<wavomer::app::MainWindow*> windows = app.windows();
        if (!windows.empty()) app.offerUnfinishedRecordings(windows.front());
    });
    return qt.exec();
}
