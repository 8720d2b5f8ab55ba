// PreferencesWindowController: the preferences window, one for the program. Its colour
// well sets the waveform colour and Reset brings back the first-run colour, both through
// the program's Preferences, which saves them and tells every project window.
//
// Threads: main thread.
#pragma once

#include <QColor>
#include <QDialog>

class QCheckBox;
class QPushButton;

namespace wavomer::app {

class Interaction;

class PreferencesWindowController : public QDialog {
    Q_OBJECT
public:
    // The one window, made (centred, hidden) on first use; its colour dialog goes
    // through interaction.
    static PreferencesWindowController& shared(Interaction& interaction);
    // showPreferenceWindow.
    static void showPreferenceWindow(Interaction& interaction);

    explicit PreferencesWindowController(Interaction& interaction, QWidget* parent = nullptr);

    QColor waveColor() const { return waveColor_; }
    // waveColorChangedAction: the colour well picked colour.
    void waveColorChangedAction(const QColor& colour);
    // resetWaveColorAction.
    void resetWaveColorAction();
    QPushButton* colorWell() const { return well_; }
    QCheckBox* fitProjectOnOpenBox() const { return fit_; }

private:
    void showWell();

    Interaction* interaction_;
    QColor waveColor_;
    QPushButton* well_ = nullptr;
    QCheckBox* fit_ = nullptr;
};

}  // namespace wavomer::app
