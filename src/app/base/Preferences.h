// Preferences: the user's settings the windows show, held once for the program. The
// waveform colour is kept in the user configuration (saved at once, so it outlives a
// run that ends abnormally) and announced to every window that listens.
//
// Threads: main thread.
#pragma once

#include <QColor>
#include <QObject>

namespace wavomer::app {

class Preferences : public QObject {
    Q_OBJECT
public:
    static Preferences& shared();

    QColor waveColor() const;
    void setWaveColor(const QColor& colour);
    // The first-run colour.
    void resetWaveColor();
    // Whether an opened project is zoomed to fit its window (off at first run).
    bool fitProjectOnOpen() const;
    void setFitProjectOnOpen(bool fit);

signals:
    void waveColorChanged(const QColor& colour);

private:
    Preferences() = default;
};

}  // namespace wavomer::app
