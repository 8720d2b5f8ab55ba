#include "shell/PreferencesWindowController.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/Interaction.h"
#include "base/Preferences.h"
#include "base/Text.h"

namespace wavomer::app {

PreferencesWindowController& PreferencesWindowController::shared(Interaction& interaction) {
    static QPointer<PreferencesWindowController> window;
    if (!window) {
        window = new PreferencesWindowController(interaction);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        // Gone with the application object, before the configuration it shows.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window.data(), &QObject::deleteLater);
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            window->adjustSize();
            window->move(screen->availableGeometry().center() - window->rect().center());
        }
    }
    window->interaction_ = &interaction;  // the latest caller's: the tests each bring their own
    return *window;
}

void PreferencesWindowController::showPreferenceWindow(Interaction& interaction) {
    PreferencesWindowController& window = shared(interaction);
    window.waveColor_ = Preferences::shared().waveColor();
    window.fit_->setChecked(Preferences::shared().fitProjectOnOpen());
    window.showWell();
    window.show();
    window.raise();
    window.activateWindow();
}

PreferencesWindowController::PreferencesWindowController(Interaction& interaction, QWidget* parent)
    : QDialog(parent), interaction_(&interaction) {
    setObjectName(QStringLiteral("PreferencesWindowController"));
    setWindowTitle(Text::tr("Preferences"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* row = new QHBoxLayout;
    well_ = new QPushButton(this);
    well_->setObjectName(QStringLiteral("waveColorWell"));
    well_->setFixedSize(64, 24);
    well_->setAccessibleName(Text::tr("Waveform colour"));
    auto* reset = new QPushButton(Text::tr("Reset"), this);
    reset->setObjectName(QStringLiteral("resetWaveColorButton"));
    reset->setAccessibleName(Text::tr("Reset the waveform colour"));
    row->addWidget(well_);
    row->addWidget(reset);
    row->addStretch(1);
    auto* caption = new QLabel(Text::tr("Waveform colour") + QLatin1Char(':'), this);
    caption->setBuddy(well_);
    form->addRow(caption, row);
    fit_ = new QCheckBox(Text::tr("Fit the project to the window when it opens"), this);
    fit_->setObjectName(QStringLiteral("fitProjectOnOpen"));
    fit_->setChecked(Preferences::shared().fitProjectOnOpen());
    connect(fit_, &QCheckBox::toggled, this, [](bool fit) { Preferences::shared().setFitProjectOnOpen(fit); });
    form->addRow(QString(), fit_);
    layout->addLayout(form);
    auto* close = new QPushButton(Text::tr("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    waveColor_ = Preferences::shared().waveColor();
    showWell();
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(reset, &QPushButton::clicked, this, &PreferencesWindowController::resetWaveColorAction);
    connect(well_, &QPushButton::clicked, this, [this] {
        const QColor picked = interaction_->chooseColour(this, waveColor_, Text::tr("Waveform colour"));
        if (picked.isValid()) waveColorChangedAction(picked);
    });
}

void PreferencesWindowController::showWell() {
    well_->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid palette(mid); }")
                             .arg(waveColor_.name(QColor::HexArgb)));
    well_->setToolTip(waveColor_.name());
}

void PreferencesWindowController::waveColorChangedAction(const QColor& colour) {
    waveColor_ = colour;
    showWell();
    Preferences::shared().setWaveColor(colour);
}

void PreferencesWindowController::resetWaveColorAction() {
    Preferences::shared().resetWaveColor();
    waveColor_ = Preferences::shared().waveColor();
    showWell();
}

}  // namespace wavomer::app
