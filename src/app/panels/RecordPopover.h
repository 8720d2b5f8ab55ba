// RecordPopover: the recording panel's widgets (the input list, the level meter and the
// Record button), shown below the record button; it tells when it closes.
//
// Threads: main thread.
#pragma once

#include <QWidget>

#include "panels/AudioWaveView.h"

class QComboBox;
class QPushButton;

namespace wavomer::app {

// The popup's widgets; it tells when it closes.
class RecordPopover : public QWidget {
    Q_OBJECT
public:
    explicit RecordPopover(AudioWaveMeter& meter, QWidget* parent = nullptr);
    QComboBox& audioDeviceButton() { return *devices_; }
    AudioWaveView& audioWaveView() { return *meter_; }
    QPushButton& recordButton() { return *record_; }

signals:
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QComboBox* devices_ = nullptr;
    AudioWaveView* meter_ = nullptr;
    QPushButton* record_ = nullptr;
};

}  // namespace wavomer::app
