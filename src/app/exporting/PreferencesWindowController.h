// PreferencesWindowController: the preferences window, one for the program. Its colour
// well sets the waveform colour and Reset brings back the first-run colour; either
// redraws the waveforms and overviews of every open project window at once and saves
// the user configuration, so the colour outlives the run even if it ends abnormally.
//
// Threads: main thread.
#pragma once

#include <QColor>
#include <QDialog>
#include <functional>

class QPushButton;

namespace wavomer::app {

class PreferencesWindowController : public QDialog {
    Q_OBJECT
public:
    // The one window, made (centred, hidden) on first use.
    static PreferencesWindowController& shared();
    // showPreferenceWindow.
    static void showPreferenceWindow();

    explicit PreferencesWindowController(QWidget* parent = nullptr);

    QColor waveColor() const { return waveColor_; }
    // waveColorChangedAction: the colour well picked colour.
    void waveColorChangedAction(const QColor& colour);
    // resetWaveColorAction.
    void resetWaveColorAction();
    QPushButton* colorWell() const { return well_; }

    // Answers the colour the well's dialog picked (a colour dialog by default); an
    // invalid colour cancels.
    std::function<QColor(const QColor& current)> colourPrompt;

    // The configuration's waveform colour as a QColor.
    static QColor configuredWaveColor();
    // Every open project window redraws in the configuration's colour.
    static void updateAudioEditWindowColors();

private:
    void showWell();

    QColor waveColor_;
    QPushButton* well_ = nullptr;
};

}  // namespace wavomer::app
