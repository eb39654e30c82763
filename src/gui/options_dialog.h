#pragma once

#include "job/options.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pg {

class SettingsStore;

// The Options dialog: history size, remote port and seconds to wait. OK copies
// the three texts into the program's options and saves them; Cancel and Esc
// change nothing.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(Options& options, SettingsStore& store, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* addField(const char* name, const QString& text);
    void confirm();
    void normalize(QLineEdit* field);

    Options& options_;
    SettingsStore& store_;

    QLabel* historyLimitLabel_ = nullptr;
    QLineEdit* historyLimitEdit_ = nullptr;
    QLabel* remotePortLabel_ = nullptr;
    QLineEdit* remotePortEdit_ = nullptr;
    QLabel* waitSecsLabel_ = nullptr;
    QLineEdit* waitSecsEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace pg
