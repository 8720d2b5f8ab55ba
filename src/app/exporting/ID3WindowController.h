// ID3WindowController: the tag dialog of one project window. Every field of the tag set
// (title, artist, album, year, comment, track and total, genre, grouping, composer, disc
// and total, BPM) and the image well. The six number fields take at most four digits
// (CustomDigitFomatter); a letter is refused with "not number". Apply copies the fields
// into the tag set and closes; Cancel closes and keeps both the fields and the tag set
// as they are. Image changes (a drop, the image button, Clear) reach the tag set at
// once. The fields are not refilled from the tag set when the dialog opens again.
//
// Threads: main thread.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "exporting/DigitFieldValidator.h"
#include "model/ID3TagInfo.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace wavomer::app {

class ID3ImageView;
class Interaction;

class ID3WindowController : public QDialog {
    Q_OBJECT
public:
    // Edits tags; the cover's file chooser and its failures go through interaction.
    ID3WindowController(std::shared_ptr<ID3TagInfo> tags, Interaction& interaction, QWidget* parent);

    // Runs the dialog application-modal until it closes.
    void openId3SettingWindow();
    // Copies the fields into the tag set.
    void saveCurrentMediaID3();
    // The image button: asks for an image file, which becomes the cover at once.
    void importImageAction();
    // The cover goes, at once.
    void clearImageAction();

    QLineEdit* field(const char* name) const;
    ID3ImageView* imageView() const { return imageView_; }
    QLabel* errorLabel() const { return error_; }

private:
    QLineEdit* addField(QGridLayout* grid, int row, int column, const QString& label, const char* name,
                        bool digits, int span = 1);
    void imageViewDidChanged();
    void loadImageFile(const QString& path);

    std::shared_ptr<ID3TagInfo> tags_;
    Interaction& interaction_;
    ID3ImageView* imageView_ = nullptr;
    QLabel* error_ = nullptr;
};

}  // namespace wavomer::app
