#include "history/frmURLs.h"

#include "app/controls.h"
#include "app/twips_layout.h"
#include "history/url_history.h"
#include "history/url_history_model.h"
#include "platform/busy_cursor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include <initializer_list>
#include <utility>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

constexpr int kClientWidth = 9885;
constexpr int kClientHeight = 8175;

}  // namespace

frmURLs::frmURLs(UrlHistory& history, std::function<void(int index)> useRecord, QWidget* mainWindow,
                 QWidget* parent)
    : QWidget(parent),
      history_(history),
      useRecord_(std::move(useRecord)),
      mainWindow_(mainWindow) {
    setObjectName(u"frmURLs"_s);
    // A fixed frame with a title and a close button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(u"Pagegleaner - Recent URL List"_s);
    model_ = new UrlHistoryModel(history_, this);
    buildControls();
    connectHandlers();
    Label1->setText(history_.countText());
    refresh();
}

frmURLs::~frmURLs() {
    // The history may be gone already; nothing from the dying list may reach it.
    disconnect(List1->selectionModel(), nullptr, this, nullptr);
    disconnect(model_, nullptr, this, nullptr);
}

void frmURLs::buildControls() {
    QFont bold = font();
    bold.setBold(true);

    Label1 = NamedControl<QLabel>(this, "Label1");
    List1 = NamedControl<QListView>(this, "List1");
    List1->setModel(model_);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Command7 = NamedButton(this, "Command7", u"Select All &Containing"_s);
    Text2 = NamedControl<QLineEdit>(this, "Text2");
    Command5 = NamedButton(this, "Command5", u"&Unselect All"_s);
    Command2 = NamedButton(this, "Command2", u"Use &Selected URL"_s);
    Command2->setDefault(true);  // drawn as the default; Enter is handled in pressDefault()
    Command1 = NamedButton(this, "Command1", u"C&lose"_s);
    for (QPushButton* button : {Command7, Command5, Command2, Command1}) {
        button->setFont(bold);
    }

    StatusBar1 = NamedControl<QStatusBar>(this, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    statusLabel_ = NamedControl<QLabel>(StatusBar1, "StatusText");
    statusLabel_->setText(u"Idle"_s);
    StatusBar1->addWidget(statusLabel_, 1);

    using Fit = TwipsLayout::Fit;
    TwipsLayout layout({kClientWidth, kClientHeight});
    layout.place(Label1, 120, 120, 5895, 255);
    layout.place(List1, 120, 360, 9615, 7035, Fit::None);
    layout.place(Command7, 120, 7440, 1695, 255);
    layout.place(Text2, 1800, 7440, 3015, 285, Fit::TextBox);
    layout.place(Command5, 4920, 7440, 1095, 255);
    layout.place(Command2, 6480, 7440, 1575, 255);
    layout.place(Command1, 8640, 7440, 1095, 255);
    layout.place(StatusBar1, 0, 7800, 9885, 375, Fit::None);
    setFixedSize(layout.apply());

    // Keyboard order of the controls.
    const std::initializer_list<QWidget*> order = {List1,    Command7, Text2,
                                                   Command5, Command2, Command1};
    for (auto it = order.begin(); it + 1 != order.end(); ++it) {
        setTabOrder(*it, *(it + 1));
    }
    List1->setFocus();
}

void frmURLs::connectHandlers() {
    connect(Command2, &QPushButton::clicked, this, &frmURLs::useSelectedUrl);
    connect(Command1, &QPushButton::clicked, this, &frmURLs::leave);
    connect(Command5, &QPushButton::clicked, this, &frmURLs::unselectAll);
    connect(Command7, &QPushButton::clicked, this, &frmURLs::selectAllContaining);
    connect(List1, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        setCurrentRow(index.row());
        useSelectedUrl();
    });

    auto* enter = new QShortcut(this);
    enter->setKeys({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    enter->setContext(Qt::WindowShortcut);
    connect(enter, &QShortcut::activated, this, &frmURLs::pressDefault);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, Command1, &QPushButton::click);

    connect(model_, &UrlHistoryModel::markChanged, this, [this] {
        setStatusText(QString::number(history_.markedCount()) + u" URLs selected"_s);
    });
    connect(model_, &UrlHistoryModel::historyChanged, this, &frmURLs::historyChanged);
    // The highlighted entry is the history's current entry.
    connect(List1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { history_.setCurrentIndex(currentRow()); });
}

void frmURLs::open() {
    if (mainWindow_) {
        mainWindow_->hide();
    }
    show();
    activateWindow();
}

QString frmURLs::statusText() const {
    return statusLabel_->text();
}

void frmURLs::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    // The main window may have moved the history's current entry meanwhile.
    setCurrentRow(history_.currentIndex());
    refresh();
}

void frmURLs::closeEvent(QCloseEvent* event) {
    // The window lives as long as the program; closing only puts it away.
    event->ignore();
    if (isVisible()) {
        leave();
    }
}

void frmURLs::refresh() {
    const bool filled = history_.count() > 0;
    List1->setToolTip(filled ? u" Double-click on URL to use "_s : QString());
    for (QPushButton* button : {Command7, Command5, Command2}) {
        button->setEnabled(filled);
    }
}

void frmURLs::historyChanged() {
    Label1->setText(history_.countText());
    if (history_.currentIndex() != currentRow()) {
        setCurrentRow(history_.currentIndex());
    }
    if (isVisible()) {
        refresh();
    }
}

int frmURLs::currentRow() const {
    const QModelIndexList rows = List1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void frmURLs::setCurrentRow(int row) {
    const QModelIndex index = model_->index(row);
    if (index.isValid()) {
        List1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        List1->scrollTo(index);
    } else {
        List1->selectionModel()->clear();
    }
    history_.setCurrentIndex(index.isValid() ? row : -1);
}

void frmURLs::setStatusText(const QString& text) {
    statusLabel_->setText(text);
}

void frmURLs::showProgress(const QString& text) {
    setStatusText(text);
    statusLabel_->repaint();
}

void frmURLs::leave() {
    hide();
    if (mainWindow_) {
        mainWindow_->show();
        mainWindow_->activateWindow();
    }
}

void frmURLs::useSelectedUrl() {
    const int index = currentRow();
    {
        BusyCursor busy;
        useRecord_(index);
    }
    leave();
}

void frmURLs::unselectAll() {
    if (history_.count() == 0) {
        setStatusText(u"No URLs to unselect"_s);
        return;
    }
    BusyCursor busy;
    showProgress(u"Unselecting URLs..."_s);
    model_->unmarkAll();
    setCurrentRow(0);
    setStatusText(QString::number(history_.count()) + u" URLs unselected"_s);
}

void frmURLs::selectAllContaining() {
    if (history_.count() == 0) {
        setStatusText(u"No files to select"_s);
        return;
    }
    const QString searchText = Text2->text();
    if (searchText.isEmpty()) {
        setStatusText(u"Please specify text to search for"_s);
        Text2->setFocus();
        return;
    }
    BusyCursor busy;
    showProgress(u"Selecting URLs..."_s);
    const int found = model_->markAllContaining(searchText);
    setCurrentRow(0);
    setStatusText(QString::number(found) + u" URLs selected"_s);
}

void frmURLs::pressDefault() {
    // Enter presses the button that has the focus, else the default button.
    if (auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
        focused && focused->window() == this) {
        focused->click();
        return;
    }
    if (Command2->isEnabled()) {
        Command2->click();
    }
}

}  // namespace pg
