#include "exporting/PreferencesWindowController.h"

#include <QApplication>
#include <QColorDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "config/UserConfig.h"
#include "shell/Text.h"
#include "timeline/QuickLookWaveView.h"
#include "timeline/TimelineView.h"
#include "util/Log.h"
#include "window/MainWindow.h"

namespace wavomer::app {

PreferencesWindowController& PreferencesWindowController::shared() {
    static QPointer<PreferencesWindowController> window;
    if (!window) {
        window = new PreferencesWindowController;
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        // Gone with the application object, before the configuration it shows.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window.data(), &QObject::deleteLater);
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            window->adjustSize();
            window->move(screen->availableGeometry().center() - window->rect().center());
        }
    }
    return *window;
}

void PreferencesWindowController::showPreferenceWindow() {
    PreferencesWindowController& window = shared();
    window.waveColor_ = configuredWaveColor();
    window.showWell();
    window.show();
    window.raise();
    window.activateWindow();
}

PreferencesWindowController::PreferencesWindowController(QWidget* parent) : QDialog(parent) {
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
    layout->addLayout(form);
    auto* close = new QPushButton(Text::tr("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    waveColor_ = configuredWaveColor();
    showWell();
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(reset, &QPushButton::clicked, this, &PreferencesWindowController::resetWaveColorAction);
    connect(well_, &QPushButton::clicked, this, [this] {
        const QColor picked = colourPrompt ? colourPrompt(waveColor_)
                                           : QColorDialog::getColor(waveColor_, this, Text::tr("Waveform colour"));
        if (picked.isValid()) waveColorChangedAction(picked);
    });
}

QColor PreferencesWindowController::configuredWaveColor() {
    const CoderColor colour = UserConfig::share().waveColor;
    return QColor::fromRgbF(static_cast<float>(colour.red), static_cast<float>(colour.green),
                            static_cast<float>(colour.blue), static_cast<float>(colour.alpha));
}

void PreferencesWindowController::showWell() {
    well_->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid palette(mid); }")
                             .arg(waveColor_.name(QColor::HexArgb)));
    well_->setToolTip(waveColor_.name());
}

namespace {

void saveConfiguration() {
    const Outcome<> saved = UserConfig::share().save();
    if (!saved) warningLine("cannot save the user configuration: %s", saved.error().c_str());
}

}  // namespace

void PreferencesWindowController::waveColorChangedAction(const QColor& colour) {
    waveColor_ = colour;
    showWell();
    UserConfig::share().waveColor = CoderColor{colour.redF(), colour.greenF(), colour.blueF(), colour.alphaF()};
    saveConfiguration();
    updateAudioEditWindowColors();
}

void PreferencesWindowController::resetWaveColorAction() {
    const CoderColor first = UserConfig::defaultWaveColor();
    UserConfig::share().waveColor = first;
    waveColor_ = configuredWaveColor();
    showWell();
    saveConfiguration();
    updateAudioEditWindowColors();
}

void PreferencesWindowController::updateAudioEditWindowColors() {
    const QColor colour = configuredWaveColor();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<MainWindow*>(widget);
        if (!window) continue;
        window->timeline().setWaveColor(colour);
        window->overview().setWaveColor(colour);
        window->timeline().redrawAll();
        window->overview().reloadView();
    }
}

}  // namespace wavomer::app
