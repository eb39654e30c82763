#pragma once

#include "app/app_settings.h"
#include "app/option_rules.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pg {

class SettingsStore;

// The Options dialog: history size, remote port and seconds to wait. OK copies
// the three texts into the program's options and saves them; Cancel and Esc
// change nothing.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    frmOptions(OptionValues& options, SettingsStore& store, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void confirm();
    void normalize(QLineEdit* field);

    OptionValues& options_;
    SettingsStore& store_;

    QLabel* Label1 = nullptr;
    QLineEdit* txtMax = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtRemPort = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtSecs = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};

}  // namespace pg
