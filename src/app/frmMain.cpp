#include "app/frmMain.h"

#include "app/controls.h"
#include "app/frmOptions.h"
#include "app/twips_layout.h"
#include "download/frmDownload.h"
#include "download/message_box_questions.h"
#include "history/frmURLs.h"
#include "history/history_store.h"
#include "platform/busy_cursor.h"
#include "platform/file_opener.h"
#include "platform/folder_picker.h"
#include "platform/settings_store.h"
#include "scan/file_list_model.h"
#include "scan/page_fetch.h"
#include "version.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>

#include <algorithm>

namespace pg {

namespace {

// Client area of the window without its status bar, and the status bar height.
constexpr int kClientWidth = 9885;
constexpr int kClientHeight = 7800;
constexpr int kStatusBarHeight = 375;

Qt::CheckState ToCheckState(int value) {
    return value == Checked ? Qt::Checked : value == Grayed ? Qt::PartiallyChecked : Qt::Unchecked;
}

int FromCheckState(Qt::CheckState state) {
    return state == Qt::Checked ? Checked : state == Qt::PartiallyChecked ? Grayed : Unchecked;
}

}  // namespace

frmMain::frmMain(AppServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    fileList_ = new FileListModel(this);
    buildControls();
    urls_ = new frmURLs(
        history_, [this](int index) { loadRecord(index); }, this);
    urls_->setAttribute(Qt::WA_QuitOnClose, false);
    connectHandlers();
}

frmMain::~frmMain() {
    // Top-level windows of their own.
    delete progress_;
    delete urls_;
}

QString frmMain::caption() {
    return QStringLiteral("Pagegleaner %1.%2").arg(PG_VERSION_MAJOR).arg(PG_VERSION_MINOR);
}

QString frmMain::welcomeText() {
    return QStringLiteral("Welcome to Pagegleaner - click the About Button for help");
}

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    QFont bold = font();
    bold.setBold(true);
    QFont arialBold(QStringLiteral("Arial"));
    arialBold.setPointSizeF(bold.pointSizeF());
    arialBold.setBold(true);

    Label1 = NamedLabel(client, "Label1", QStringLiteral("1) Set Web Page URL"));
    cmdGetURL = NamedButton(client, "cmdGetURL", QStringLiteral("&Get URL From Browser"));
    Text1 = NamedControl<QLineEdit>(client, "Text1");
    Command10 = NamedButton(client, "Command10", QStringLiteral("..."));
    Command10->setToolTip(QStringLiteral(" Select URL from list "));
    Label4 = NamedLabel(client, "Label4", QStringLiteral("2) Set Download Directory"));
    Text4 = NamedControl<QLineEdit>(client, "Text4");
    Text4->setReadOnly(true);
    Command3 = NamedButton(client, "Command3", QStringLiteral("..."));
    Command3->setToolTip(QStringLiteral(" Browse for folder "));
    Label5 = NamedLabel(client, "Label5", QStringLiteral("3) Set File Types"));
    Label3 = NamedLabel(client, "Label3",
                        QStringLiteral("File Types (Seperate file extentions with a comma)"));
    ckAll = NamedControl<QCheckBox>(client, "ckAll");
    ckAll->setText(QStringLiteral("All File Types"));
    Text3 = NamedControl<QLineEdit>(client, "Text3");
    Label6 = NamedLabel(client, "Label6", QStringLiteral("4) Specify Username (Optional)"));
    Text5 = NamedControl<QLineEdit>(client, "Text5");
    Label7 = NamedLabel(client, "Label7", QStringLiteral("5) Specify Password (Optional)"));
    Text6 = NamedControl<QLineEdit>(client, "Text6");
    // The mask shows "*" for every character, whatever the style's own choice.
    Text6->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    ckHide = NamedControl<QCheckBox>(client, "ckHide");
    ckHide->setText(QStringLiteral("Hide"));
    Command2 = NamedButton(client, "Command2", QStringLiteral("6) &Extract file URLs"));
    Label2 = NamedLabel(client, "Label2", QString());
    lstImages = NamedControl<QListView>(client, "lstImages");
    lstImages->setModel(fileList_);
    lstImages->setUniformItemSizes(true);
    lstImages->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lstImages->setSelectionMode(QAbstractItemView::SingleSelection);
    lstImages->setEditTriggers(QAbstractItemView::NoEditTriggers);
    WebBrowser1 = NamedControl<QWidget>(client, "WebBrowser1");
    WebBrowser1->hide();
    Command4 = NamedButton(client, "Command4", QStringLiteral("&Select All"));
    Command5 = NamedButton(client, "Command5", QStringLiteral("&Unselect All"));
    cmdViewImage = NamedButton(client, "cmdViewImage", QStringLiteral("&View Full Screen"));
    Command7 = NamedButton(client, "Command7", QStringLiteral("Select All &Containing"));
    Text2 = NamedControl<QLineEdit>(client, "Text2");
    Command1 = NamedButton(client, "Command1", QStringLiteral("7) &Download Files"));
    Command1->setEnabled(false);
    Command9 = NamedButton(client, "Command9", QStringLiteral("&Options"));
    Command8 = NamedButton(client, "Command8", QStringLiteral("&About"));
    Command6 = NamedButton(client, "Command6", QStringLiteral("E&xit"));

    for (QWidget* w : std::initializer_list<QWidget*>{
             Label1, cmdGetURL, Label4, Label5, Label3, ckAll, Label6, Label7, ckHide, Command2,
             Label2, Command4, Command5, cmdViewImage, Command7, Command1, Command9, Command8,
             Command6}) {
        w->setFont(bold);
    }
    Label3->setFont(font());  // the hint is plain text, not a heading
    Label2->setFont(font());
    Command10->setFont(arialBold);
    Command3->setFont(arialBold);

    using Fit = TwipsLayout::Fit;
    TwipsLayout layout({kClientWidth, kClientHeight});
    layout.place(Label1, 120, 120, 2295, 255);
    layout.place(cmdGetURL, 7680, 120, 1935, 255);
    layout.place(Text1, 120, 360, 9255, 285, Fit::TextBox);
    layout.place(Command10, 9360, 360, 300, 255);
    layout.place(Label4, 120, 720, 2655, 255);
    layout.place(Text4, 120, 960, 9255, 285, Fit::TextBox);
    layout.place(Command3, 9360, 960, 300, 255);
    layout.place(Label5, 120, 1320, 1815, 255);
    layout.place(Label3, 2040, 1320, 7455, 255);
    layout.place(ckAll, 240, 1560, 1575, 255);
    layout.place(Text3, 2040, 1560, 7575, 285, Fit::TextBox);
    layout.place(Label6, 120, 2040, 2775, 255);
    layout.place(Text5, 2880, 2040, 3615, 285, Fit::TextBox);
    layout.place(Label7, 120, 2400, 2775, 255);
    layout.place(Text6, 2880, 2400, 3615, 285, Fit::TextBox);
    layout.place(ckHide, 6600, 2400, 735, 255);
    layout.place(Command2, 7680, 2160, 1935, 375);
    layout.place(Label2, 120, 2640, 4695, 255, Fit::None);
    layout.place(lstImages, 120, 2880, 4695, 4335, Fit::None);
    layout.place(WebBrowser1, 5040, 2880, 4695, 4335, Fit::None);
    layout.place(Command4, 120, 7200, 975, 255);
    layout.place(Command5, 1080, 7200, 1095, 255);
    layout.place(cmdViewImage, 2160, 7200, 1455, 255);
    layout.place(Command7, 120, 7440, 1695, 255);
    layout.place(Text2, 1800, 7440, 3015, 285, Fit::TextBox);
    layout.place(Command1, 5040, 7320, 1815, 375);
    layout.place(Command9, 6960, 7320, 855, 375);
    layout.place(Command8, 7920, 7320, 855, 375);
    layout.place(Command6, 8880, 7320, 855, 375);
    const QSize clientSize = layout.apply();
    client->setFixedSize(clientSize);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    statusLabel_ = NamedControl<QLabel>(StatusBar1, "StatusText");
    statusLabel_->setText(QStringLiteral("Idle"));
    StatusBar1->addWidget(statusLabel_, 1);
    StatusBar1->setFixedHeight(layout.toPixelsY(kStatusBarHeight));
    setStatusBar(StatusBar1);
    setFixedSize(clientSize.width(), clientSize.height() + StatusBar1->height());

    // Keyboard order of the controls.
    const QWidget* order[] = {Text1,    cmdGetURL, Command10,    Text4,    Command3, ckAll,
                              Text3,    Text5,     Text6,        ckHide,   Command2, lstImages,
                              Command4, Command5,  cmdViewImage, Command7, Text2,    Command1,
                              Command9, Command8,  Command6};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
    }
    Text1->setFocus();
}

void frmMain::connectHandlers() {
    connect(Command2, &QPushButton::clicked, this, &frmMain::extractFileUrls);
    connect(Command9, &QPushButton::clicked, this, &frmMain::showOptions);
    connect(Command8, &QPushButton::clicked, this, &frmMain::showHelp);
    connect(Command6, &QPushButton::clicked, this, &frmMain::close);
    // Esc anywhere in the window presses Exit.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, Command6, &QPushButton::click);

    connect(ckHide, &QCheckBox::stateChanged, this, [this](int state) {
        Text6->setEchoMode(state == Qt::Unchecked ? QLineEdit::Normal : QLineEdit::Password);
    });

    connect(Command3, &QPushButton::clicked, this, &frmMain::chooseFolder);
    connect(Command10, &QPushButton::clicked, urls_, &frmURLs::open);
    connect(Command1, &QPushButton::clicked, this, &frmMain::downloadFiles);
    connect(Command4, &QPushButton::clicked, this, [this] {
        BusyCursor busy;
        applySelection(fileList_->selectAll());
    });
    connect(Command5, &QPushButton::clicked, this, [this] {
        BusyCursor busy;
        applySelection(fileList_->unselectAll());
    });
    connect(Command7, &QPushButton::clicked, this, [this] {
        BusyCursor busy;
        applySelection(fileList_->selectAllContaining(Text2->text()));
    });
    connect(fileList_, &FileListModel::checkChanged, this,
            [this] { applySelection(fileList_->list().CheckChanged()); });

    // Typed blanks never reach these fields; pasted text keeps them.
    for (QLineEdit* field : {Text1, Text2, Text3, Text5, Text6}) {
        field->installEventFilter(this);
    }
    // Edits of the file types, user name or password rewrite the current URL's
    // record when the field is left.
    for (QLineEdit* field : {Text3, Text5, Text6}) {
        connect(field, &QLineEdit::textChanged, this, [this] { editing_.textChanged(); });
    }
    connect(ckAll, &QCheckBox::stateChanged, this, [this] {
        if (editing_.allTypesChanged()) {
            BusyCursor busy;
            updateCurrentRecord();
        }
    });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const bool tracked = watched == Text3 || watched == Text5 || watched == Text6;
    switch (event->type()) {
        case QEvent::KeyPress: {
            const QString text = static_cast<QKeyEvent*>(event)->text();
            if (text.size() == 1 && JobEditing::discardsTyped(text.at(0))) {
                return true;
            }
            break;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            // A context menu or another window taking the focus for a while is not
            // leaving the field.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (!tracked || reason == Qt::PopupFocusReason ||
                reason == Qt::ActiveWindowFocusReason) {
                break;
            }
            if (event->type() == QEvent::FocusIn) {
                editing_.focusGained();
            } else if (editing_.focusLost()) {
                BusyCursor busy;
                updateCurrentRecord();
            }
            break;
        }
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::updateCurrentRecord() {
    history_.UpdateCurrentRecord(currentJob());
}

void frmMain::loadRecord(int index) {
    editing_.LoadingRecord = true;
    applyJob(history_.LoadRecord(index));
    editing_.LoadingRecord = false;
}

void frmMain::applySelection(const SelectionOutcome& outcome) {
    if (outcome.downloadEnabled) {
        Command1->setEnabled(*outcome.downloadEnabled);
    }
    if (outcome.makeFirstCurrent && fileList_->rowCount() > 0) {
        lstImages->setCurrentIndex(fileList_->index(0));
    }
    if (outcome.focusSearchText) {
        Text2->setFocus();
    }
    setStatusText(outcome.statusText);
}

void frmMain::chooseFolder() {
    const QString previous = Text4->text();
    QString chosen;
    if (services_.folderPicker) {
        chosen = services_.folderPicker->chooseFolder(
            this, QStringLiteral("Select the directory to store the downloaded files"),
            PickerStartFolder(previous));
    }
    if (!chosen.isEmpty()) {
        Text4->setText(chosen);
    }
    if (!editing_.LoadingRecord && chosen.compare(previous, Qt::CaseInsensitive) != 0) {
        BusyCursor busy;
        updateCurrentRecord();
    }
}

void frmMain::downloadFiles() {
    if (!services_.transport) {
        return;
    }
    if (!progress_) {
        progress_ = new frmDownload(flags_);
        progress_->setAttribute(Qt::WA_QuitOnClose, false);
    }
    TransferQuestions* questions = services_.transferQuestions;
    if (!questions) {
        questions_ = std::make_unique<MessageBoxQuestions>(progress_);
        questions = questions_.get();
    }
    BatchServices batch{*services_.transport, *progress_, *questions, flags_, {}};
    BatchJob job;
    job.urls = fileList_->list().checkedEntries();
    job.directory = Text4->text();
    job.userName = Text5->text();
    job.password = Text6->text();
    job.remPort = options_.RemPort;
    job.secs = options_.Secs;
    job.errorLogPath = services_.errorLogPath;
    RunBatch(*this, batch, job);
}

void frmMain::focusFolderButton() {
    Command3->setFocus();
}

void frmMain::hideMainWindow() {
    hide();
}

void frmMain::showMainWindow() {
    show();
    activateWindow();
}

void frmMain::beep() {
    QApplication::beep();
}

void frmMain::addPageToHistory() {
    history_.AddUrl(Text1->text(), currentJob());
}

bool frmMain::askToViewErrorLog() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pagegleaner"),
                    BatchText::ViewLogQuestion, QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("ViewLogQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void frmMain::openErrorLog(const QString& path) {
    if (services_.fileOpener) {
        services_.fileOpener->openTextFile(path, QStringLiteral("Pagegleaner - Error Log"));
    }
}

void frmMain::startUp() {
    setWindowTitle(caption());
    if (services_.settings) {
        applyJob(ReadJobSettings(*services_.settings));
        options_ = ReadOptionValues(*services_.settings);
    }
    if (!services_.historyFilePath.isEmpty()) {
        ReadHistoryFile(services_.historyFilePath, history_);
    }
    setStatusText(welcomeText());
}

void frmMain::closeEvent(QCloseEvent* event) {
    shutDown();
    event->accept();
    Q_EMIT finished();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
}

void frmMain::shutDown() {
    if (shutDownDone_) {
        return;
    }
    shutDownDone_ = true;
    // The hourglass stays until the program has ended.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A running batch stops: the current file is cancelled and no further one starts.
    if (progress_) {
        flags_.CancelThis = true;
        flags_.CancelAll = true;
        progress_->close();
    }
    setStatusText(QStringLiteral("Saving URL list..."));
    if (!services_.historyFilePath.isEmpty()) {
        WriteHistoryFile(services_.historyFilePath, history_, options_.Max);
    }
    urls_->hide();
    if (services_.settings) {
        SaveJobSettings(*services_.settings, currentJob());
    }
}

QString frmMain::statusText() const {
    return statusLabel_->text();
}

void frmMain::setStatusText(const QString& text) {
    statusLabel_->setText(text);
}

JobSettings frmMain::currentJob() const {
    JobSettings job;
    job.URL = Text1->text();
    job.DDir = Text4->text();
    job.All = FromCheckState(ckAll->checkState());
    job.FTypes = Text3->text();
    job.User = Text5->text();
    job.Pwd = Text6->text();
    job.Hide = FromCheckState(ckHide->checkState());
    return job;
}

void frmMain::applyJob(const JobSettingsUpdate& update) {
    if (update.URL) {
        Text1->setText(*update.URL);
    }
    if (update.DDir) {
        Text4->setText(*update.DDir);
    }
    if (update.All) {
        ckAll->setCheckState(ToCheckState(*update.All));
    }
    if (update.FTypes) {
        Text3->setText(*update.FTypes);
    }
    if (update.User) {
        Text5->setText(*update.User);
    }
    if (update.Pwd) {
        Text6->setText(*update.Pwd);
    }
    if (update.Hide) {
        ckHide->setCheckState(ToCheckState(*update.Hide));
    }
}

void frmMain::extractFileUrls() {
    if (!services_.pageFetcher) {
        return;
    }
    ScanJob job;
    job.url = Text1->text();
    job.userName = Text5->text();
    job.password = Text6->text();
    job.allTypes = ckAll->checkState() != Qt::Unchecked;
    job.fileTypes = Text3->text();
    RunExtractCommand(*this, *services_.pageFetcher, job);
}

void frmMain::showOptions() {
    if (!services_.settings) {
        return;
    }
    frmOptions dialog(options_, *services_.settings, this);
    dialog.exec();
}

void frmMain::showHelp() {
    if (services_.fileOpener) {
        services_.fileOpener->openTextFile(services_.helpFilePath,
                                           QStringLiteral("Pagegleaner - Help"));
    }
}

void frmMain::setCountLabel(const QString& text) {
    Label2->setText(text);
    Label2->repaint();
}

void frmMain::setDownloadEnabled(bool enabled) {
    Command1->setEnabled(enabled);
}

void frmMain::hidePreview() {
    WebBrowser1->hide();
}

void frmMain::setBusy(bool busy) {
    if (busy == busy_) {
        return;
    }
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void frmMain::clearFileList() {
    fileList_->clear();
}

void frmMain::fillFileList(const QStringList& urls) {
    fileList_->setEntries(urls);
    if (urls.isEmpty()) {
        return;
    }
    // The widest entry sets the horizontal scroll range, as measured with the
    // list's font, plus room for the check box.
    const QFontMetrics metrics(lstImages->font());
    int widest = 0;
    for (const QString& url : urls) {
        widest = std::max(widest, metrics.horizontalAdvance(url));
    }
    const int checkBox = lstImages->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                         lstImages->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    const int rowHeight = lstImages->sizeHintForRow(0);
    fileList_->setRowSize(QSize(widest + 25 + checkBox, rowHeight));
}

}  // namespace pg
