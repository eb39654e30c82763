#include "gui/main_window.h"

#include "desktop/browser_url.h"
#include "desktop/preview_rules.h"
#include "download/batch.h"
#include "gui/busy_cursor.h"
#include "gui/controls.h"
#include "gui/file_list_model.h"
#include "gui/file_opener.h"
#include "gui/folder_picker.h"
#include "gui/held_input.h"
#include "gui/image_window.h"
#include "gui/options_dialog.h"
#include "gui/preview_browser.h"
#include "gui/progress_window.h"
#include "gui/recent_urls_window.h"
#include "gui/transfer_question_boxes.h"
#include "gui/twips_layout.h"
#include "history/history_file.h"
#include "job/job_store.h"
#include "scan/page_fetch.h"
#include "scan/page_scan.h"
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
#include <QQuickWidget>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QWebEngineView>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// Client area of the window without its status bar, and the status bar height.
constexpr int kClientWidth = 9885;
constexpr int kClientHeight = 7800;
constexpr int kStatusBarHeight = 375;

}  // namespace

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    setObjectName(u"frmMain"_s);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    fileList_ = new FileListModel(this);
    PrepareWebEngine();
    buildControls();
    recentUrlsWindow_ = new RecentUrlsWindow(
        history_, [this](int index) { loadRecord(index); }, this);
    connectHandlers();
}

MainWindow::~MainWindow() {
    delete recentUrlsWindow_;  // a top-level window of its own
}

void MainWindow::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(u"client"_s);
    setCentralWidget(client);

    QFont bold = font();
    bold.setBold(true);
    QFont arialBold(u"Arial"_s);
    arialBold.setPointSizeF(bold.pointSizeF());
    arialBold.setBold(true);

    urlHeading_ = NamedLabel(client, "Label1", u"1) Set Web Page URL"_s);
    getUrlButton_ = NamedButton(client, "cmdGetURL", u"&Get URL From Browser"_s);
    urlEdit_ = NamedControl<QLineEdit>(client, "Text1");
    recentUrlsButton_ = NamedButton(client, "Command10", u"..."_s);
    recentUrlsButton_->setToolTip(u" Select URL from list "_s);
    folderHeading_ = NamedLabel(client, "Label4", u"2) Set Download Directory"_s);
    folderEdit_ = NamedControl<QLineEdit>(client, "Text4");
    folderEdit_->setReadOnly(true);
    browseFolderButton_ = NamedButton(client, "Command3", u"..."_s);
    browseFolderButton_->setToolTip(u" Browse for folder "_s);
    typesHeading_ = NamedLabel(client, "Label5", u"3) Set File Types"_s);
    typesHint_ =
        NamedLabel(client, "Label3", u"File Types (Seperate file extentions with a comma)"_s);
    allTypesCheck_ = NamedControl<QCheckBox>(client, "ckAll");
    allTypesCheck_->setText(u"All File Types"_s);
    typesEdit_ = NamedControl<QLineEdit>(client, "Text3");
    userHeading_ = NamedLabel(client, "Label6", u"4) Specify Username (Optional)"_s);
    userEdit_ = NamedControl<QLineEdit>(client, "Text5");
    passwordHeading_ = NamedLabel(client, "Label7", u"5) Specify Password (Optional)"_s);
    passwordEdit_ = NamedControl<QLineEdit>(client, "Text6");
    // The mask shows "*" for every character, whatever the style's own choice.
    passwordEdit_->setStyleSheet(u"QLineEdit { lineedit-password-character: 42; }"_s);
    hidePasswordCheck_ = NamedControl<QCheckBox>(client, "ckHide");
    hidePasswordCheck_->setText(u"Hide"_s);
    extractButton_ = NamedButton(client, "Command2", u"6) &Extract file URLs"_s);
    countLabel_ = NamedLabel(client, "Label2", QString());
    fileListView_ = NamedControl<QListView>(client, "lstImages");
    fileListView_->setModel(fileList_);
    fileListView_->setUniformItemSizes(true);
    fileListView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    fileListView_->setSelectionMode(QAbstractItemView::SingleSelection);
    fileListView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    previewPane_ = NewPreviewBrowser(client);
    previewPane_->hide();
    // The preview's page view is a Qt Quick view, which Qt can only compose
    // into a window made for OpenGL. A window made for plain painting is made
    // anew when the first preview opens, and vanishes meanwhile (black on a
    // bare X server); a hidden Qt Quick view has it made right from the start.
    auto* composition = new QQuickWidget(client);
    composition->setObjectName(u"PreviewComposition"_s);
    composition->hide();
    selectAllButton_ = NamedButton(client, "Command4", u"&Select All"_s);
    unselectAllButton_ = NamedButton(client, "Command5", u"&Unselect All"_s);
    viewFullScreenButton_ = NamedButton(client, "cmdViewImage", u"&View Full Screen"_s);
    selectContainingButton_ = NamedButton(client, "Command7", u"Select All &Containing"_s);
    searchEdit_ = NamedControl<QLineEdit>(client, "Text2");
    downloadButton_ = NamedButton(client, "Command1", u"7) &Download Files"_s);
    downloadButton_->setEnabled(false);
    optionsButton_ = NamedButton(client, "Command9", u"&Options"_s);
    aboutButton_ = NamedButton(client, "Command8", u"&About"_s);
    exitButton_ = NamedButton(client, "Command6", u"E&xit"_s);

    for (QWidget* w : std::initializer_list<QWidget*>{
             urlHeading_, getUrlButton_, folderHeading_, typesHeading_, allTypesCheck_,
             userHeading_, passwordHeading_, hidePasswordCheck_, extractButton_, selectAllButton_,
             unselectAllButton_, viewFullScreenButton_, selectContainingButton_, downloadButton_,
             optionsButton_, aboutButton_, exitButton_}) {
        w->setFont(bold);
    }
    recentUrlsButton_->setFont(arialBold);
    browseFolderButton_->setFont(arialBold);

    using Fit = TwipsLayout::Fit;
    TwipsLayout layout({kClientWidth, kClientHeight});
    layout.place(urlHeading_, 120, 120, 2295, 255);
    layout.place(getUrlButton_, 7680, 120, 1935, 255);
    layout.place(urlEdit_, 120, 360, 9255, 285, Fit::TextBox);
    layout.place(recentUrlsButton_, 9360, 360, 300, 255);
    layout.place(folderHeading_, 120, 720, 2655, 255);
    layout.place(folderEdit_, 120, 960, 9255, 285, Fit::TextBox);
    layout.place(browseFolderButton_, 9360, 960, 300, 255);
    layout.place(typesHeading_, 120, 1320, 1815, 255);
    layout.place(typesHint_, 2040, 1320, 7455, 255);
    layout.place(allTypesCheck_, 240, 1560, 1575, 255);
    layout.place(typesEdit_, 2040, 1560, 7575, 285, Fit::TextBox);
    layout.place(userHeading_, 120, 2040, 2775, 255);
    layout.place(userEdit_, 2880, 2040, 3615, 285, Fit::TextBox);
    layout.place(passwordHeading_, 120, 2400, 2775, 255);
    layout.place(passwordEdit_, 2880, 2400, 3615, 285, Fit::TextBox);
    layout.place(hidePasswordCheck_, 6600, 2400, 735, 255);
    layout.place(extractButton_, 7680, 2160, 1935, 375);
    layout.place(countLabel_, 120, 2640, 4695, 255, Fit::None);
    layout.place(fileListView_, 120, 2880, 4695, 4335, Fit::None);
    layout.place(previewPane_, 5040, 2880, 4695, 4335, Fit::None);
    layout.place(selectAllButton_, 120, 7200, 975, 255);
    layout.place(unselectAllButton_, 1080, 7200, 1095, 255);
    layout.place(viewFullScreenButton_, 2160, 7200, 1455, 255);
    layout.place(selectContainingButton_, 120, 7440, 1695, 255);
    layout.place(searchEdit_, 1800, 7440, 3015, 285, Fit::TextBox);
    layout.place(downloadButton_, 5040, 7320, 1815, 375);
    layout.place(optionsButton_, 6960, 7320, 855, 375);
    layout.place(aboutButton_, 7920, 7320, 855, 375);
    layout.place(exitButton_, 8880, 7320, 855, 375);
    const QSize clientSize = layout.apply();
    client->setFixedSize(clientSize);

    statusBar_ = NamedControl<QStatusBar>(this, "StatusBar1");
    statusBar_->setSizeGripEnabled(false);
    statusLabel_ = NamedControl<QLabel>(statusBar_, "StatusText");
    statusLabel_->setText(u"Idle"_s);
    statusBar_->addWidget(statusLabel_, 1);
    statusBar_->setFixedHeight(layout.toPixelsY(kStatusBarHeight));
    setStatusBar(statusBar_);
    setFixedSize(clientSize.width(), clientSize.height() + statusBar_->height());

    // Keyboard order of the controls.
    QWidget* const order[] = {urlEdit_,
                              getUrlButton_,
                              recentUrlsButton_,
                              folderEdit_,
                              browseFolderButton_,
                              allTypesCheck_,
                              typesEdit_,
                              userEdit_,
                              passwordEdit_,
                              hidePasswordCheck_,
                              extractButton_,
                              fileListView_,
                              selectAllButton_,
                              unselectAllButton_,
                              viewFullScreenButton_,
                              selectContainingButton_,
                              searchEdit_,
                              downloadButton_,
                              optionsButton_,
                              aboutButton_,
                              exitButton_};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    urlEdit_->setFocus();
}

void MainWindow::connectHandlers() {
    connect(extractButton_, &QPushButton::clicked, this, &MainWindow::extractFileUrls);
    connect(optionsButton_, &QPushButton::clicked, this, &MainWindow::showOptions);
    connect(aboutButton_, &QPushButton::clicked, this, &MainWindow::showHelp);
    connect(exitButton_, &QPushButton::clicked, this, &MainWindow::close);
    // Esc anywhere in the window presses Exit.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, exitButton_, &QPushButton::click);

    connect(hidePasswordCheck_, &QCheckBox::toggled, this, [this](bool hidden) {
        passwordEdit_->setEchoMode(hidden ? QLineEdit::Password : QLineEdit::Normal);
    });

    connect(browseFolderButton_, &QPushButton::clicked, this, &MainWindow::chooseFolder);
    connect(recentUrlsButton_, &QPushButton::clicked, recentUrlsWindow_, &RecentUrlsWindow::open);
    connect(downloadButton_, &QPushButton::clicked, this, &MainWindow::downloadFiles);
    connect(selectAllButton_, &QPushButton::clicked, this, [this] {
        runSelection([this](auto& progress) { return fileList_->selectAll(progress); });
    });
    connect(unselectAllButton_, &QPushButton::clicked, this, [this] {
        runSelection([this](auto& progress) { return fileList_->unselectAll(progress); });
    });
    connect(selectContainingButton_, &QPushButton::clicked, this, [this] {
        runSelection([this](auto& progress) {
            return fileList_->selectAllContaining(searchEdit_->text(), progress);
        });
    });
    connect(fileList_, &FileListModel::checkChanged, this,
            [this] { applySelection(fileList_->list().CheckChanged()); });
    connect(fileListView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &MainWindow::previewCurrentEntry);
    connect(viewFullScreenButton_, &QPushButton::clicked, this, &MainWindow::viewFullScreen);
    connect(getUrlButton_, &QPushButton::clicked, this, &MainWindow::getUrlFromBrowser);

    // Typed blanks never reach these fields; pasted text keeps them.
    for (QLineEdit* field : {urlEdit_, searchEdit_, typesEdit_, userEdit_, passwordEdit_}) {
        field->installEventFilter(this);
    }
    // Edits of the file types, user name or password rewrite the current URL's
    // record when the field is left.
    for (QLineEdit* field : {typesEdit_, userEdit_, passwordEdit_}) {
        connect(field, &QLineEdit::textChanged, this, [this] {
            if (!loadingRecord_) {
                fieldChanged_ = true;
            }
        });
    }
    connect(allTypesCheck_, &QCheckBox::toggled, this, [this] {
        if (!loadingRecord_) {
            BusyCursor busy;
            updateCurrentRecord();
        }
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool tracked = watched == typesEdit_ || watched == userEdit_ || watched == passwordEdit_;
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->text() == u" "_s) {
                return true;
            }
            break;
        case QEvent::FocusIn:
            if (tracked && MovesToAnotherControl(static_cast<QFocusEvent*>(event))) {
                fieldChanged_ = false;
            }
            break;
        case QEvent::FocusOut:
            if (tracked && MovesToAnotherControl(static_cast<QFocusEvent*>(event)) &&
                fieldChanged_) {
                fieldChanged_ = false;
                BusyCursor busy;
                updateCurrentRecord();
            }
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::setStatusText(const QString& text) {
    statusLabel_->setText(text);
}

JobSettings MainWindow::currentJob() const {
    return {urlEdit_->text(),
            folderEdit_->text(),
            allTypesCheck_->isChecked(),
            typesEdit_->text(),
            userEdit_->text(),
            passwordEdit_->text(),
            hidePasswordCheck_->isChecked()};
}

void MainWindow::applyJob(const JobSettingsUpdate& update) {
    if (update.url) {
        urlEdit_->setText(*update.url);
    }
    if (update.directory) {
        folderEdit_->setText(*update.directory);
    }
    if (update.allTypes) {
        allTypesCheck_->setChecked(*update.allTypes);
    }
    if (update.fileTypes) {
        typesEdit_->setText(*update.fileTypes);
    }
    if (update.userName) {
        userEdit_->setText(*update.userName);
    }
    if (update.password) {
        passwordEdit_->setText(*update.password);
    }
    if (update.hidePassword) {
        hidePasswordCheck_->setChecked(*update.hidePassword);
    }
}

void MainWindow::loadRecord(int index) {
    loadingRecord_ = true;
    applyJob(history_.LoadRecord(index));
    loadingRecord_ = false;
}

void MainWindow::updateCurrentRecord() {
    history_.UpdateCurrentRecord(currentJob());
}

void MainWindow::startUp(const QString& pageUrl) {
    setWindowTitle(u"Pagegleaner %1.%2"_s.arg(PG_VERSION_MAJOR).arg(PG_VERSION_MINOR));
    if (services_.settings) {
        applyJob(ReadJobSettings(*services_.settings));
        options_ = ReadOptions(*services_.settings);
    }
    if (!pageUrl.isEmpty()) {
        urlEdit_->setText(pageUrl);
    }
    if (!services_.historyFilePath.isEmpty()) {
        ReadHistoryFile(services_.historyFilePath, history_);
    }
    setStatusText(u"Welcome to Pagegleaner - click the About Button for help"_s);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    shutDown();
    event->accept();
    Q_EMIT finished();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
}

void MainWindow::shutDown() {
    if (shutDownDone_) {
        return;
    }
    shutDownDone_ = true;
    // The hourglass stays until the program has ended.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A running batch stops: the current file is cancelled and no further one
    // starts; a page that is still arriving is called off.
    if (progressWindow_) {
        progressWindow_->cancelAll();
    }
    pageScan_.reset();
    heldInput_.reset();
    extractBusy_.reset();
    setStatusText(u"Saving URL list..."_s);
    if (!services_.historyFilePath.isEmpty()) {
        WriteHistoryFile(services_.historyFilePath, history_, options_.historyLimit);
    }
    recentUrlsWindow_->hide();
    if (services_.settings) {
        SaveJobSettings(*services_.settings, currentJob());
    }
}

void MainWindow::extractFileUrls() {
    if (!services_.pageFetcher || pageScan_) {
        return;
    }
    setStatusText(kExtractingText);
    countLabel_->clear();
    countLabel_->repaint();
    downloadButton_->setEnabled(false);
    previewPane_->hide();
    const QString url = urlEdit_->text();
    if (!HasPagePrefix(url)) {
        setStatusText(PageScanStatusText(PageScanStatus::BadPrefix));
        return;
    }
    extractBusy_.emplace();
    fileList_->clear();
    // The window waits without reacting; Esc calls the page off.
    PageFetcher& fetcher = *services_.pageFetcher;
    heldInput_.emplace([&fetcher] { fetcher.cancel(); });
    scannedPageUrl_ = url;
    scannedFinalUrl_.clear();
    pageScan_ = std::make_unique<PageScan>(
        fetcher,
        PageScanRequest{url, userEdit_->text(), passwordEdit_->text(), allTypesCheck_->isChecked(),
                        typesEdit_->text()},
        [this](PageScanResult result) { extractionFinished(std::move(result)); });
    pageScan_->start();
}

void MainWindow::extractionFinished(PageScanResult result) {
    pageScan_.reset();
    heldInput_.reset();
    scannedFinalUrl_ = result.pageUrl;
    if (result.status == PageScanStatus::Extracted || result.status == PageScanStatus::NoneFound) {
        fillFileList(std::move(result.urls));
        countLabel_->setText(ExtractedCountText(fileList_->rowCount()));
    }
    setStatusText(PageScanStatusText(result.status));
    extractBusy_.reset();
}

void MainWindow::fillFileList(LinkList urls) {
    fileList_->setEntries(std::move(urls));
    if (fileList_->rowCount() == 0) {
        return;
    }
    // The widest entry sets the horizontal scroll range, as measured with the
    // list's font, plus room for the check box.
    const int widest = WidestTextWidth(fileList_->list().entries(), fileListView_->font());
    const QStyle* style = fileListView_->style();
    const int checkBox = style->pixelMetric(QStyle::PM_IndicatorWidth) +
                         style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    fileList_->setRowSize(QSize(widest + 25 + checkBox, fileListView_->sizeHintForRow(0)));
}

void MainWindow::runSelection(
    const std::function<SelectionOutcome(const std::function<void(const QString&)>&)>& command) {
    std::optional<BusyCursor> busy;
    const SelectionOutcome outcome = command([&](const QString& text) {
        busy.emplace();
        setStatusText(text);
        statusLabel_->repaint();
    });
    applySelection(outcome);
}

void MainWindow::applySelection(const SelectionOutcome& outcome) {
    if (outcome.downloadEnabled) {
        downloadButton_->setEnabled(*outcome.downloadEnabled);
    }
    if (outcome.makeFirstCurrent && fileList_->rowCount() > 0) {
        fileListView_->setCurrentIndex(fileList_->index(0));
    }
    if (outcome.focusSearchText) {
        searchEdit_->setFocus();
    }
    setStatusText(outcome.statusText);
}

void MainWindow::showOptions() {
    if (services_.settings) {
        OptionsDialog dialog(options_, *services_.settings, this);
        dialog.exec();
    }
}

void MainWindow::showHelp() {
    if (services_.fileOpener) {
        services_.fileOpener->openTextFile(services_.helpFilePath, u"Pagegleaner - Help"_s);
    }
}

void MainWindow::chooseFolder() {
    const QString previous = folderEdit_->text();
    QString chosen;
    if (services_.folderPicker) {
        chosen = services_.folderPicker->chooseFolder(
            this, u"Select the directory to store the downloaded files"_s,
            PickerStartFolder(previous));
    }
    if (!chosen.isEmpty()) {
        folderEdit_->setText(chosen);
    }
    if (!loadingRecord_ && chosen.compare(previous, Qt::CaseInsensitive) != 0) {
        BusyCursor busy;
        updateCurrentRecord();
    }
}

void MainWindow::downloadFiles() {
    const JobSettings job = currentJob();
    if (job.directory.isEmpty()) {
        setStatusText(u"Please specify a directory where the downloaded files will be stored"_s);
        browseFolderButton_->setFocus();
        return;
    }
    if (!services_.transport || batch_) {
        return;
    }
    hide();
    progressWindow_ = std::make_unique<ProgressWindow>();
    questionBoxes_ = std::make_unique<MessageBoxTransferQuestions>(progressWindow_.get());
    TransferQuestions& questions =
        services_.transferQuestions ? *services_.transferQuestions : *questionBoxes_;
    const BatchServices batchServices{
        *services_.transport, *progressWindow_, questions, progressWindow_->cancelRequest(), {}};
    BatchJob batchJob = MakeBatchJob(
        job, fileList_->list().checkedEntries(), RemotePortFromOption(options_.remotePort),
        TimeoutSecsFromOption(options_.waitSecs), services_.errorLogPath);
    // The files' Referer is the page as it finally came, when the list is its.
    if (job.url == scannedPageUrl_) {
        batchJob.refererPageUrl = scannedFinalUrl_;
    }
    batch_ = std::make_unique<BatchRun>(
        batchServices, std::move(batchJob),
        [this, url = job.url](const BatchReport& report) { batchFinished(url, report); });
    batch_->start();
}

void MainWindow::batchFinished(const QString& pageUrl, const BatchReport& report) {
    batch_.reset();
    questionBoxes_.reset();
    progressWindow_.reset();
    history_.AddUrl(pageUrl, currentJob());
    show();
    activateWindow();
    QApplication::beep();
    setStatusText(BatchStatusText(report));
    if (report.errorsLogged == 0) {
        return;
    }
    QMessageBox question(QMessageBox::Question, u"Pagegleaner"_s, kViewLogQuestion,
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(u"ViewLogQuestion"_s);
    question.setDefaultButton(QMessageBox::Yes);
    if (question.exec() == QMessageBox::Yes && services_.fileOpener) {
        services_.fileOpener->openTextFile(services_.errorLogPath, u"Pagegleaner - Error Log"_s);
    }
}

void MainWindow::getUrlFromBrowser() {
    BusyCursor busy;
    BrowserUrlCapture capture;
    if (services_.windowTree) {
        capture = CaptureBrowserUrl(*services_.windowTree);
    }
    if (capture.status == BrowserUrlStatus::Obtained) {
        urlEdit_->setText(capture.url);
    }
    setStatusText(BrowserUrlStatusText(capture.status));
}

void MainWindow::previewCurrentEntry() {
    const QModelIndex current = fileListView_->currentIndex();
    if (!current.isValid() || fileList_->updatingList()) {
        return;
    }
    const QString url = fileList_->list().entry(current.row());
    if (!IsPreviewable(url)) {
        return;
    }
    previewPane_->show();
    NavigatePreview(previewPane_, url);
}

void MainWindow::viewFullScreen() {
    if (fileList_->rowCount() == 0) {
        setStatusText(u"No files to view"_s);
        return;
    }
    const QModelIndex current = fileListView_->currentIndex();
    if (!current.isValid()) {
        setStatusText(u"Please select a file"_s);
        return;
    }
    const QString url = fileList_->list().entry(current.row());
    if (!IsPreviewable(url) || fileList_->updatingList()) {
        return;
    }
    previewUrl_ = url;
    hide();
    {
        ImageWindow window(previewUrl_);
        window.exec();
    }
    show();
}

}  // namespace pg
