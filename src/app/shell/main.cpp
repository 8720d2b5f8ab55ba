// wavomer [PROJECT.wvmp | PROJECT.wvmp/project.plist]: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "util/Version.h"

#include "shell/AppIcon.h"
#include "shell/Application.h"
#include "shell/QtInteraction.h"
#include "base/Text.h"
#include "shell/Translations.h"
#include "window/MainWindow.h"

namespace {

// --help and --version answer before anything of Qt exists, so they work without a
// display and never touch the sound server. Answers the exit status, or -1 to go on.
int answerWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!std::strcmp(arg, "--")) break;
        if (!std::strcmp(arg, "-v") || !std::strcmp(arg, "--version")) {
            std::printf("wavomer %s\n", wavomer::kVersion);
            return 0;
        }
        if (!std::strcmp(arg, "-h") || !std::strcmp(arg, "--help") || !std::strcmp(arg, "--help-all")) {
            std::fputs(
                "usage: wavomer [--silent] [PROJECT.wvmp ...]\n"
                "A multi-track audio editor.\n"
                "\n"
                "  PROJECT.wvmp   a project folder (or the project.plist inside it) to open;\n"
                "                 without one a new project opens\n"
                "  --silent       play on a silent device that keeps time, not the sound server\n"
                "  -h, --help     print this help and exit\n"
                "  -v, --version  print the version and exit\n"
                "\n"
                "Environment:\n"
                "  HOME, XDG_CONFIG_HOME  the settings (XDG_CONFIG_HOME/org.wavomer.Wavomer/user.config)\n"
                "  XDG_CACHE_HOME         the converted imports\n"
                "  XDG_STATE_HOME         the unsaved edits kept for crash recovery\n"
                "  XDG_DATA_HOME          the desktop's recently-used list\n"
                "  XDG_MUSIC_DIR          where exports and recordings go (else the user-dirs entry)\n"
                "  TMPDIR                 the temporary folder\n"
                "  PULSE_SERVER           the sound server to play and record through\n"
                "  LANGUAGE, LC_ALL, LANG the language of the texts (English; German built in)\n"
                "  DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM  the display, as for any Qt program\n"
                "\n"
                "See wavomer(1) and wavomer-cli(1).\n",
                stdout);
            return 0;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int answered = answerWithoutWindow(argc, argv); answered >= 0) return answered;
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wavomer"));
    QApplication::setOrganizationDomain(QStringLiteral("wavomer.org"));
    QApplication::setApplicationVersion(QString::fromLatin1(wavomer::kVersion));
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
