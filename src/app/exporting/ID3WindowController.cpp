#include "exporting/ID3WindowController.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "exporting/ID3ImageView.h"
#include "base/Interaction.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

ID3WindowController::ID3WindowController(std::shared_ptr<ID3TagInfo> tags, Interaction& interaction, QWidget* parent)
    : QDialog(parent), tags_(std::move(tags)), interaction_(interaction) {
    setObjectName(QStringLiteral("ID3WindowController"));
    setWindowTitle(Text::tr("ID3"));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QHBoxLayout(this);

    auto* imageColumn = new QVBoxLayout;
    imageView_ = new ID3ImageView(this);
    imageView_->setFixedSize(160, 160);
    auto* imageButton = new QPushButton(Text::tr("Image..."), this);
    imageButton->setObjectName(QStringLiteral("imageButton"));
    auto* clearButton = new QPushButton(Text::tr("Clear"), this);
    clearButton->setObjectName(QStringLiteral("clearImageButton"));
    clearButton->setAccessibleName(Text::tr("Clear the cover picture"));
    auto* imageButtons = new QHBoxLayout;
    imageButtons->addWidget(imageButton);
    imageButtons->addWidget(clearButton);
    imageColumn->addWidget(imageView_);
    imageColumn->addLayout(imageButtons);
    imageColumn->addStretch(1);
    layout->addLayout(imageColumn);

    auto* right = new QVBoxLayout;
    // Made before the fields, whose edits clear it.
    error_ = new QLabel(this);
    auto* grid = new QGridLayout;
    addField(grid, 0, 0, Text::tr("Title"), "titleField", false, 3);
    addField(grid, 1, 0, Text::tr("Artist"), "artistField", false, 3);
    addField(grid, 2, 0, Text::tr("Album"), "albumField", false, 3);
    addField(grid, 3, 0, Text::tr("Composer"), "composerField", false, 3);
    addField(grid, 4, 0, Text::tr("Grouping"), "groupField", false, 3);
    addField(grid, 5, 0, Text::tr("Genre"), "genreField", false);
    addField(grid, 5, 2, Text::tr("Year"), "yearField", true);
    addField(grid, 6, 0, Text::tr("Track No."), "trackField1", true);
    addField(grid, 6, 2, Text::tr("of"), "trackField2", true);
    addField(grid, 7, 0, Text::tr("Disc No."), "discField1", true);
    addField(grid, 7, 2, Text::tr("of"), "discField2", true);
    addField(grid, 8, 0, Text::tr("BPM"), "bpmField", true);
    addField(grid, 9, 0, Text::tr("Comment"), "commentField", false, 3);
    // The two totals read "of" beside their number; assistive technology hears what they are.
    field("trackField2")->setAccessibleName(Text::tr("Total tracks"));
    field("discField2")->setAccessibleName(Text::tr("Total discs"));
    right->addLayout(grid);
    error_->setObjectName(QStringLiteral("errorLabel"));
    error_->setAccessibleName(Text::tr("Input error"));
    QPalette warning = error_->palette();
    warning.setColor(QPalette::WindowText, palette::kWarningText);
    error_->setPalette(warning);
    right->addWidget(error_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(Text::tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    auto* apply = new QPushButton(Text::tr("Apply"), this);
    apply->setObjectName(QStringLiteral("applyButton"));
    apply->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(apply);
    right->addStretch(1);
    right->addLayout(buttons);
    layout->addLayout(right, 1);

    connect(apply, &QPushButton::clicked, this, [this] {
        saveCurrentMediaID3();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(imageButton, &QPushButton::clicked, this, &ID3WindowController::importImageAction);
    connect(clearButton, &QPushButton::clicked, this, &ID3WindowController::clearImageAction);
    connect(imageView_, &ID3ImageView::imageViewDidChanged, this, &ID3WindowController::imageViewDidChanged);
    connect(imageView_, &ID3ImageView::imageRefused, this, [this](const QString& path, const QString& reason) {
        interaction_.tell(this, Text::tr("The picture \"%1\" could not be read.").arg(QFileInfo(path).fileName()),
                          Failure::because(reason.toStdString()));
    });
    imageView_->setPng(tags_ ? tags_->image : std::nullopt);
    for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->setText(QString());
}

QLineEdit* ID3WindowController::addField(QGridLayout* grid, int row, int column, const QString& label,
                                         const char* name, bool digits, int span) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(label);
    auto* caption = new QLabel(label + QLatin1Char(':'), this);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, column, Qt::AlignRight);
    grid->addWidget(edit, row, column + 1, 1, span);
    if (digits) {
        auto* validator = new DigitFieldValidator(edit);
        edit->setValidator(validator);
        edit->setMaximumWidth(70);
        connect(validator, &DigitFieldValidator::refused, this, [this](const QString& why) { error_->setText(why); });
        connect(edit, &QLineEdit::textEdited, error_, &QLabel::clear);
    }
    return edit;
}

QLineEdit* ID3WindowController::field(const char* name) const {
    return findChild<QLineEdit*>(QLatin1String(name));
}

void ID3WindowController::openId3SettingWindow() {
    error_->clear();
    exec();
}

void ID3WindowController::saveCurrentMediaID3() {
    if (!tags_) return;
    auto textOf = [this](const char* name) { return field(name)->text().toStdString(); };
    auto numberOf = [this](const char* name) { return id3NumberFromFieldText(field(name)->text().toStdString()); };
    tags_->image = imageView_->png();
    tags_->title = textOf("titleField");
    tags_->artist = textOf("artistField");
    tags_->composer = textOf("composerField");
    tags_->group = textOf("groupField");
    tags_->genre = textOf("genreField");
    tags_->track = numberOf("trackField1");
    tags_->totalTrack = numberOf("trackField2");
    tags_->disc = numberOf("discField1");
    tags_->totalDisc = numberOf("discField2");
    tags_->album = textOf("albumField");
    tags_->year = numberOf("yearField");
    tags_->bpm = numberOf("bpmField");
    tags_->comment = textOf("commentField");
}

void ID3WindowController::importImageAction() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    FileChoice choice;
    choice.title = Text::tr("Image");
    choice.filter = Text::tr("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
    const QString path = interaction_.chooseFile(this, choice);
    if (!path.isEmpty()) loadImageFile(path);
}

void ID3WindowController::loadImageFile(const QString& path) {
    Outcome<std::vector<uint8_t>> png = pngFromImageFile(path);
    if (!png) {
        // The cover stays as it was: an unreadable file is refused, not taken as "none".
        interaction_.tell(this, Text::tr("The picture \"%1\" could not be read.").arg(QFileInfo(path).fileName()),
                          Failure::because(png.failure().why()));
        return;
    }
    imageView_->setPng(*png);
    if (tags_) tags_->image = std::move(*png);
}

void ID3WindowController::clearImageAction() {
    imageView_->setPng(std::nullopt);
    if (tags_) tags_->image.reset();
}

void ID3WindowController::imageViewDidChanged() {
    if (tags_) tags_->image = imageView_->png();
}

}  // namespace wavomer::app
