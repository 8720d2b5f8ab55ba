// DigitFieldValidator: CustomDigitFomatter as a tag number field's validator: it judges
// each edit against the text the field held before it (at most four digits) and tells
// why it refused one ("not number" for a letter).
//
// Threads: main thread.
#pragma once

#include <QString>
#include <QValidator>

#include "model/ID3TagInfo.h"

class QLineEdit;

namespace wavomer::app {

class DigitFieldValidator : public QValidator {
    Q_OBJECT
public:
    explicit DigitFieldValidator(QLineEdit* field);
    State validate(QString& input, int& pos) const override;

signals:
    void refused(const QString& errorDescription) const;

private:
    CustomDigitFomatter formatter_;
    QLineEdit* field_;
    QString accepted_;  // the field's text after the last edit it took
};

}  // namespace wavomer::app
