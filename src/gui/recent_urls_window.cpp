#include "gui/recent_urls_window.h"

#include "gui/busy_cursor.h"
#include "gui/controls.h"
#include "gui/twips_layout.h"
#include "gui/url_history_model.h"
#include "history/url_history.h"
#include "scan/list_selection.h"

#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStatusBar>

#include <initializer_list>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

constexpr int kClientWidth = 9885;
constexpr int kClientHeight = 8175;

}  // namespace

RecentUrlsWindow::RecentUrlsWindow(UrlHistory& history, std::function<void(int index)> useRecord,
                                   QWidget* mainWindow)
    : QDialog(), history_(history), useRecord_(std::move(useRecord)), mainWindow_(mainWindow) {
    setObjectName(u"frmURLs"_s);
    // A fixed frame with a title and a close button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(u"Pagegleaner - Recent URL List"_s);
    model_ = new UrlHistoryModel(history_, this);
    buildControls();
    connectHandlers();
    countLabel_->setText(history_.countText());
    refresh();
}

RecentUrlsWindow::~RecentUrlsWindow() {
    // The history may be gone already; nothing from the dying list may reach it.
    disconnect(urlListView_->selectionModel(), nullptr, this, nullptr);
    disconnect(model_, nullptr, this, nullptr);
}

void RecentUrlsWindow::buildControls() {
    QFont bold = font();
    bold.setBold(true);

    countLabel_ = NamedControl<QLabel>(this, "Label1");
    urlListView_ = NamedControl<QListView>(this, "List1");
    urlListView_->setModel(model_);
    urlListView_->setSelectionMode(QAbstractItemView::SingleSelection);
    urlListView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    urlListView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    selectContainingButton_ = NamedButton(this, "Command7", u"Select All &Containing"_s);
    searchEdit_ = NamedControl<QLineEdit>(this, "Text2");
    unselectAllButton_ = NamedButton(this, "Command5", u"&Unselect All"_s);
    useSelectedButton_ = NamedButton(this, "Command2", u"Use &Selected URL"_s);
    useSelectedButton_->setDefault(true);
    closeButton_ = NamedButton(this, "Command1", u"C&lose"_s);
    for (QPushButton* button :
         {selectContainingButton_, unselectAllButton_, useSelectedButton_, closeButton_}) {
        button->setFont(bold);
    }

    statusBar_ = NamedControl<QStatusBar>(this, "StatusBar1");
    statusBar_->setSizeGripEnabled(false);
    statusLabel_ = NamedControl<QLabel>(statusBar_, "StatusText");
    statusLabel_->setText(u"Idle"_s);
    statusBar_->addWidget(statusLabel_, 1);

    using Fit = TwipsLayout::Fit;
    TwipsLayout layout({kClientWidth, kClientHeight});
    layout.place(countLabel_, 120, 120, 5895, 255);
    layout.place(urlListView_, 120, 360, 9615, 7035, Fit::None);
    layout.place(selectContainingButton_, 120, 7440, 1695, 255);
    layout.place(searchEdit_, 1800, 7440, 3015, 285, Fit::TextBox);
    layout.place(unselectAllButton_, 4920, 7440, 1095, 255);
    layout.place(useSelectedButton_, 6480, 7440, 1575, 255);
    layout.place(closeButton_, 8640, 7440, 1095, 255);
    layout.place(statusBar_, 0, 7800, 9885, 375, Fit::None);
    setFixedSize(layout.apply());

    // Keyboard order of the controls.
    const std::initializer_list<QWidget*> order = {urlListView_,       selectContainingButton_,
                                                   searchEdit_,        unselectAllButton_,
                                                   useSelectedButton_, closeButton_};
    for (auto it = order.begin(); it + 1 != order.end(); ++it) {
        setTabOrder(*it, *(it + 1));
    }
    urlListView_->setFocus();
}

void RecentUrlsWindow::connectHandlers() {
    connect(useSelectedButton_, &QPushButton::clicked, this, &RecentUrlsWindow::useSelectedUrl);
    connect(closeButton_, &QPushButton::clicked, this, &RecentUrlsWindow::leave);
    connect(unselectAllButton_, &QPushButton::clicked, this, &RecentUrlsWindow::unselectAll);
    connect(selectContainingButton_, &QPushButton::clicked, this,
            &RecentUrlsWindow::selectAllContaining);
    connect(urlListView_, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        setCurrentRow(index.row());
        useSelectedUrl();
    });

    connect(model_, &UrlHistoryModel::markChanged, this, [this] {
        setStatusText(QString::number(history_.markedCount()) + u" URLs selected"_s);
    });
    connect(model_, &UrlHistoryModel::historyChanged, this, &RecentUrlsWindow::historyChanged);
    // The highlighted entry is the history's current entry.
    connect(urlListView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { history_.setCurrentIndex(currentRow()); });
}

void RecentUrlsWindow::open() {
    if (mainWindow_) {
        mainWindow_->hide();
    }
    show();
    activateWindow();
}

void RecentUrlsWindow::reject() {
    leave();
}

void RecentUrlsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    // The main window may have moved the history's current entry meanwhile.
    setCurrentRow(history_.currentIndex());
    refresh();
}

void RecentUrlsWindow::closeEvent(QCloseEvent* event) {
    // The window lives as long as the program; closing only puts it away.
    event->ignore();
    if (isVisible()) {
        leave();
    }
}

void RecentUrlsWindow::refresh() {
    const bool filled = history_.count() > 0;
    urlListView_->setToolTip(filled ? u" Double-click on URL to use "_s : QString());
    for (QPushButton* button : {selectContainingButton_, unselectAllButton_, useSelectedButton_}) {
        button->setEnabled(filled);
    }
}

void RecentUrlsWindow::historyChanged() {
    countLabel_->setText(history_.countText());
    if (history_.currentIndex() != currentRow()) {
        setCurrentRow(history_.currentIndex());
    }
    if (isVisible()) {
        refresh();
    }
}

int RecentUrlsWindow::currentRow() const {
    const QModelIndexList rows = urlListView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void RecentUrlsWindow::setCurrentRow(int row) {
    const QModelIndex index = model_->index(row);
    if (index.isValid()) {
        urlListView_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        urlListView_->scrollTo(index);
    } else {
        urlListView_->selectionModel()->clear();
    }
    history_.setCurrentIndex(index.isValid() ? row : -1);
}

void RecentUrlsWindow::setStatusText(const QString& text) {
    statusLabel_->setText(text);
}

void RecentUrlsWindow::showProgress(const QString& text) {
    setStatusText(text);
    statusLabel_->repaint();
}

void RecentUrlsWindow::leave() {
    hide();
    if (mainWindow_) {
        mainWindow_->show();
        mainWindow_->activateWindow();
    }
}

void RecentUrlsWindow::useSelectedUrl() {
    const int index = currentRow();
    {
        BusyCursor busy;
        useRecord_(index);
    }
    leave();
}

void RecentUrlsWindow::unselectAll() {
    std::optional<BusyCursor> busy;
    const auto progress = [&](const QString& text) {
        busy.emplace();
        showProgress(text);
    };
    applySelection(UnselectAllEntries(kUrlListWords, history_.count(), progress,
                                      [this] { model_->unmarkAll(); }));
}

void RecentUrlsWindow::selectAllContaining() {
    std::optional<BusyCursor> busy;
    const auto progress = [&](const QString& text) {
        busy.emplace();
        showProgress(text);
    };
    const QString searchText = searchEdit_->text();
    applySelection(SelectEntriesContaining(
        kUrlListWords, history_.count(), searchText, progress,
        [this, &searchText] { return model_->markAllContaining(searchText); }));
}

void RecentUrlsWindow::applySelection(const SelectionOutcome& outcome) {
    if (outcome.makeFirstCurrent) {
        setCurrentRow(0);
    }
    if (outcome.focusSearchText) {
        searchEdit_->setFocus();
    }
    setStatusText(outcome.statusText);
}

}  // namespace pg
