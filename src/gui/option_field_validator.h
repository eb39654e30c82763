#pragma once

#include <QValidator>

class QLineEdit;

namespace pg {

// Lets an option field take typed digits only, three at most, while a longer
// value that was stored stays whole until the user edits it. The field applies
// an edit before it asks the validator, so the text before it is followed
// through the field's changes.
class OptionFieldValidator : public QValidator {
    Q_OBJECT
public:
    explicit OptionFieldValidator(QLineEdit* field);

    State validate(QString& input, int& position) const override;

private:
    QString shown_;  // the field's text before the edit being validated
};

}  // namespace pg
