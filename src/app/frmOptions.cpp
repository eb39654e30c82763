#include "app/frmOptions.h"

#include "app/controls.h"
#include "app/twips_layout.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace pg {

namespace {

OptionField FieldOf(const QObject* field) {
    const QString name = field->objectName();
    if (name == QLatin1String("txtMax")) {
        return OptionField::Max;
    }
    return name == QLatin1String("txtRemPort") ? OptionField::RemPort : OptionField::Secs;
}

}  // namespace

frmOptions::frmOptions(OptionValues& options, SettingsStore& store, QWidget* parent)
    : QDialog(parent), options_(options), store_(store) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Pagegleaner - Options"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    // Typed characters other than digits are refused; pasted text too.
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    auto field = [this, digits](const char* name, const QString& text) {
        auto* f = NamedControl<QLineEdit>(this, name);
        f->setText(text);
        f->setMaxLength(kOptionFieldMaxLength);
        f->setValidator(digits);
        f->installEventFilter(this);
        return f;
    };
    Label1 = NamedLabel(this, "Label1", QStringLiteral("Maximum number for recent URL list"));
    txtMax = field("txtMax", options_.Max);
    Label2 = NamedLabel(this, "Label2", QStringLiteral("Remote port (normally this is 80)"));
    txtRemPort = field("txtRemPort", options_.RemPort);
    Label3 = NamedLabel(this, "Label3", QStringLiteral("No. secs to wait for download request"));
    txtSecs = field("txtSecs", options_.Secs);
    Command1 = NamedButton(this, "Command1", QStringLiteral("&OK"));
    Command1->setDefault(true);
    Command2 = NamedButton(this, "Command2", QStringLiteral("&Cancel"));

    using Fit = TwipsLayout::Fit;
    TwipsLayout layout({3750, 2550});
    layout.place(Label1, 120, 240, 2775, 255);
    layout.place(txtMax, 3000, 240, 495, 315, Fit::TextBox);
    layout.place(Label2, 120, 600, 2295, 255);
    layout.place(txtRemPort, 3000, 600, 495, 315, Fit::TextBox);
    layout.place(Label3, 120, 960, 2895, 255);
    layout.place(txtSecs, 3000, 960, 495, 315, Fit::TextBox);
    layout.place(Command1, 120, 1920, 1095, 495);
    layout.place(Command2, 2520, 1920, 1095, 495);
    setFixedSize(layout.apply());

    setTabOrder(txtMax, txtRemPort);
    setTabOrder(txtRemPort, txtSecs);
    setTabOrder(txtSecs, Command1);
    setTabOrder(Command1, Command2);
    txtMax->setFocus();

    connect(Command1, &QPushButton::clicked, this, &frmOptions::confirm);
    // Esc presses Cancel through QDialog's own reject().
    connect(Command2, &QPushButton::clicked, this, &frmOptions::reject);
}

void frmOptions::normalize(QLineEdit* field) {
    const QString text = NormalizeOptionField(FieldOf(field), field->text());
    if (text != field->text()) {
        field->setText(text);
    }
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (auto* field = qobject_cast<QLineEdit*>(watched)) {
            normalize(field);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

void frmOptions::confirm() {
    // Enter may confirm while a field still has the focus: its leaving rule
    // applies first, so an emptied field is never stored.
    for (QLineEdit* field : {txtMax, txtRemPort, txtSecs}) {
        normalize(field);
    }
    options_.Max = txtMax->text();
    options_.RemPort = txtRemPort->text();
    options_.Secs = txtSecs->text();
    SaveOptionValues(store_, options_);
    accept();
}

}  // namespace pg
