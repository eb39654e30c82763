#include "gui/option_field_validator.h"

#include "job/options.h"

#include <QLineEdit>

namespace pg {

OptionFieldValidator::OptionFieldValidator(QLineEdit* field) : QValidator(field), field_(field) {}

QValidator::State OptionFieldValidator::validate(QString& input, int&) const {
    return AcceptsOptionFieldEdit(field_->text(), input) ? Acceptable : Invalid;
}

}  // namespace pg
