#include "gui/option_field_validator.h"

#include "job/options.h"

#include <QLineEdit>

namespace pg {

OptionFieldValidator::OptionFieldValidator(QLineEdit* field)
    : QValidator(field), shown_(field->text()) {
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { shown_ = text; });
}

QValidator::State OptionFieldValidator::validate(QString& input, int&) const {
    return AcceptsOptionFieldEdit(shown_, input) ? Acceptable : Invalid;
}

}  // namespace pg
