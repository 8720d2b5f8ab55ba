// The export window: a modal window with a progress bar and Cancel, shown while an
// export runs. Every 0.1 s it asks its progress source for the value (0 to 1) and moves
// the bar; Cancel asks once for the export to stop and then waits for it to end.
//
// Threads: main thread.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace wavomer::app {

class ExportWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kBarMaximum = 1000;
    static constexpr int kPollMilliseconds = 100;

    ExportWindow(std::function<float()> progress, QWidget* parent);

    // changeProgress: reads the progress and moves the bar (the timer calls it).
    void changeProgress();
    QProgressBar* progressBar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }
    bool isPolling() const { return timer_.isActive(); }
    // Stops polling and closes (closeExportWindow).
    void finish();

signals:
    // canvelConvertingAction: the user asked to stop.
    void cancelRequested();

protected:
    void reject() override;  // Escape and the window's close button cancel too
    void showEvent(QShowEvent* event) override;

private:
    std::function<float()> progress_;
    QTimer timer_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool finished_ = false;
};

}  // namespace wavomer::app
