#include "base/Preferences.h"

#include "config/UserConfig.h"
#include "util/Log.h"

namespace wavomer::app {

namespace {

void saveConfiguration() {
    const Outcome<> saved = UserConfig::share().save();
    if (!saved) warningLine("cannot save the user configuration: %s", saved.error().c_str());
}

}  // namespace

Preferences& Preferences::shared() {
    static Preferences* preferences = new Preferences;  // lives as long as the program
    return *preferences;
}

QColor Preferences::waveColor() const {
    const CoderColor colour = UserConfig::share().waveColor;
    return QColor::fromRgbF(static_cast<float>(colour.red), static_cast<float>(colour.green),
                            static_cast<float>(colour.blue), static_cast<float>(colour.alpha));
}

void Preferences::setWaveColor(const QColor& colour) {
    UserConfig::share().waveColor = CoderColor{colour.redF(), colour.greenF(), colour.blueF(), colour.alphaF()};
    saveConfiguration();
    emit waveColorChanged(waveColor());
}

void Preferences::resetWaveColor() {
    UserConfig::share().waveColor = UserConfig::defaultWaveColor();
    saveConfiguration();
    emit waveColorChanged(waveColor());
}

bool Preferences::fitProjectOnOpen() const { return UserConfig::share().fitProjectOnOpen; }

void Preferences::setFitProjectOnOpen(bool fit) {
    UserConfig::share().fitProjectOnOpen = fit;
    saveConfiguration();
}

}  // namespace wavomer::app
