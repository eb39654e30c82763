#include "gui/options_dialog.h"

#include "gui/controls.h"
#include "gui/option_field_validator.h"
#include "gui/twips_layout.h"
#include "job/job_store.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace pg {

OptionsDialog::OptionsDialog(Options& options, SettingsStore& store, QWidget* parent)
    : QDialog(parent), options_(options), store_(store) {
    setObjectName(u"frmOptions"_s);
    setWindowTitle(u"Pagegleaner - Options"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    historyLimitLabel_ = NamedLabel(this, "Label1", u"Maximum number for recent URL list"_s);
    historyLimitEdit_ = addField("txtMax", options_.historyLimit);
    remotePortLabel_ = NamedLabel(this, "Label2", u"Remote port (normally this is 80)"_s);
    remotePortEdit_ = addField("txtRemPort", options_.remotePort);
    waitSecsLabel_ = NamedLabel(this, "Label3", u"No. secs to wait for download request"_s);
    waitSecsEdit_ = addField("txtSecs", options_.waitSecs);
    okButton_ = NamedButton(this, "Command1", u"&OK"_s);
    okButton_->setDefault(true);
    cancelButton_ = NamedButton(this, "Command2", u"&Cancel"_s);

    using Fit = TwipsLayout::Fit;
    TwipsLayout layout({3750, 2550});
    layout.place(historyLimitLabel_, 120, 240, 2775, 255);
    layout.place(historyLimitEdit_, 3000, 240, 495, 315, Fit::TextBox);
    layout.place(remotePortLabel_, 120, 600, 2295, 255);
    layout.place(remotePortEdit_, 3000, 600, 495, 315, Fit::TextBox);
    layout.place(waitSecsLabel_, 120, 960, 2895, 255);
    layout.place(waitSecsEdit_, 3000, 960, 495, 315, Fit::TextBox);
    layout.place(okButton_, 120, 1920, 1095, 495);
    layout.place(cancelButton_, 2520, 1920, 1095, 495);
    setFixedSize(layout.apply());

    setTabOrder(historyLimitEdit_, remotePortEdit_);
    setTabOrder(remotePortEdit_, waitSecsEdit_);
    setTabOrder(waitSecsEdit_, okButton_);
    setTabOrder(okButton_, cancelButton_);
    historyLimitEdit_->setFocus();

    connect(okButton_, &QPushButton::clicked, this, &OptionsDialog::confirm);
    // Esc presses Cancel through QDialog's own reject().
    connect(cancelButton_, &QPushButton::clicked, this, &OptionsDialog::reject);
}

QLineEdit* OptionsDialog::addField(const char* name, const QString& text) {
    auto* field = NamedControl<QLineEdit>(this, name);
    // The stored value is shown whole; the limit of three digits holds for typing.
    field->setText(text);
    field->setValidator(new OptionFieldValidator(field));
    field->installEventFilter(this);
    return field;
}

void OptionsDialog::normalize(QLineEdit* field) {
    const OptionField which = field == historyLimitEdit_ ? OptionField::HistoryLimit
                              : field == remotePortEdit_ ? OptionField::RemotePort
                                                         : OptionField::WaitSecs;
    const QString text = NormalizeOptionField(which, field->text());
    if (text != field->text()) {
        field->setText(text);
    }
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut &&
        MovesToAnotherControl(static_cast<QFocusEvent*>(event))) {
        if (auto* field = qobject_cast<QLineEdit*>(watched)) {
            normalize(field);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void OptionsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

void OptionsDialog::confirm() {
    // The texts go unchanged: the fields' rules ran when they were left. Enter
    // may confirm while a field that was just edited still has the focus; it
    // is left now, so its rule applies to what was typed.
    auto* focused = qobject_cast<QLineEdit*>(focusWidget());
    if (focused && focused->isModified()) {
        normalize(focused);
    }
    options_.historyLimit = historyLimitEdit_->text();
    options_.remotePort = remotePortEdit_->text();
    options_.waitSecs = waitSecsEdit_->text();
    SaveOptions(store_, options_);
    accept();
}

}  // namespace pg
