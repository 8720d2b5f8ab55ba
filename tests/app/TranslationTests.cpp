// The program's texts are looked up in the "text" table: with the German translation
// installed the menus and the commands read in German.
#include <QMenuBar>
#include <QTranslator>

#include "AppTestSupport.h"
#include "actions/WindowActions.h"
#include "base/Text.h"
#include "shell/Translations.h"

namespace wavomer::app::test {

namespace {

class GermanWindow : public WindowTest {
protected:
    GermanWindow() {
        const QList<QTranslator*> before = qApp->findChildren<QTranslator*>();
        installed_ = installTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany));
        for (QTranslator* t : qApp->findChildren<QTranslator*>())
            if (!before.contains(t)) added_.push_back(t);
    }
    // A translator leaves the application's list when it is destroyed.
    ~GermanWindow() override { qDeleteAll(added_); }

    bool installed_ = false;
    QList<QTranslator*> added_;
};

QStringList menuTitles(MainWindow& window) {
    QStringList titles;
    for (QAction* menu : window.menuBar()->actions()) titles << menu->text();
    return titles;
}

}  // namespace

TEST_F(GermanWindow, TheMenuTitlesAndCommandsReadInGerman) {
    ASSERT_TRUE(installed_);
    auto window = openWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(menuTitles(*window), (QStringList{QStringLiteral("Datei"), QStringLiteral("Bearbeiten"),
                                                 QStringLiteral("Spur"), QStringLiteral("Steuerung"),
                                                 QStringLiteral("Ansicht"), QStringLiteral("Hilfe")}));
    EXPECT_EQ(window->actions().action("save")->text(), QStringLiteral("Speichern"));
    EXPECT_EQ(window->actions().action("addMarkAction")->text(), QStringLiteral("Marker setzen"));
    EXPECT_EQ(Text::tr("Untitled"), QStringLiteral("Unbenannt"));
}

TEST(Translations, EnglishNeedsNoTranslationAndKeepsTheKeys) {
    const QList<QTranslator*> before = qApp->findChildren<QTranslator*>();
    EXPECT_FALSE(installTranslations(*qApp, QLocale(QLocale::English, QLocale::UnitedStates)));
    for (QTranslator* t : qApp->findChildren<QTranslator*>())
        if (!before.contains(t)) delete t;
    EXPECT_EQ(Text::tr("File"), QStringLiteral("File"));
}

}  // namespace wavomer::app::test
