// The insert dialog: asks for a duration (typed as "m:s" or as seconds, shown as
// minutes:seconds.milliseconds, kept within 0 to 12 hours) and inserts that much
// silence or noise at the cursor on the selected tracks. A duration of 0 inserts
// nothing. Made for one opening; the window pauses playback before it opens.
//
// Threads: main thread.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class Interaction;
struct WindowContext;

class MuteNoiseWindowController : public QDialog {
    Q_OBJECT
public:
    // Inserts into the context's document; a failed insertion is told through its
    // interaction.
    explicit MuteNoiseWindowController(const WindowContext& context);

    // Duration 0, silence or noise, titles; the caller then runs exec().
    void updateWindowWithMute(bool isMute);
    bool isMute() const { return isMute_; }
    double insertTime() const { return insertTime_; }
    QString insertTitle() const;
    QLineEdit& durationField() { return *field_; }
    QLabel& promptLabel() { return *prompt_; }

    void done(int result) override;
    // The field lost focus: its text is read, clamped and shown again.
    void controlTextDidEndEditing();

private:
    void flushInsertTime();

    WaveEditViewController& engine_;
    Interaction& interaction_;
    bool isMute_ = true;
    double insertTime_ = 0.0;
    QLabel* prompt_ = nullptr;
    QLineEdit* field_ = nullptr;
};

}  // namespace wavomer::app
