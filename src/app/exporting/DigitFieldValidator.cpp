#include "exporting/DigitFieldValidator.h"

#include <QLineEdit>

#include "base/Text.h"

namespace wavomer::app {

DigitFieldValidator::DigitFieldValidator(QLineEdit* field) : QValidator(field), field_(field) {
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { accepted_ = text; });
}

QValidator::State DigitFieldValidator::validate(QString& input, int&) const {
    std::string error;
    if (formatter_.isEditValid(accepted_.toStdString(), input.toStdString(), &error)) return Acceptable;
    if (!error.empty()) emit refused(error == "not number" ? Text::tr("not number") : QString::fromStdString(error));
    return Invalid;
}

}  // namespace wavomer::app
