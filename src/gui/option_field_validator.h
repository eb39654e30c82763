#pragma once

#include <QValidator>

class QLineEdit;

namespace pg {

// Lets an option field take typed digits only, three at most, while a longer
// value that was stored stays whole until the user edits it.
class OptionFieldValidator : public QValidator {
    Q_OBJECT
public:
    explicit OptionFieldValidator(QLineEdit* field);

    State validate(QString& input, int& position) const override;

private:
    QLineEdit* field_;
};

}  // namespace pg
