#pragma once

#include "gui/busy_cursor.h"
#include "gui/held_input.h"
#include "gui/main_window_services.h"
#include "history/url_history.h"
#include "job/job_settings.h"
#include "job/options.h"
#include "scan/page_scan.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStatusBar;
class QWebEngineView;

namespace pg {

class BatchRun;
class FileListModel;
class LinkList;
class MessageBoxTransferQuestions;
class ProgressWindow;
struct BatchReport;
class RecentUrlsWindow;
struct SelectionOutcome;

// The main window: the job fields, the file list, the status bar and the
// buttons that start each step. Closing it ends the program.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Caption, settings, URL history and welcome text; run before the first show.
    // A page URL given on the command line replaces the stored one in the URL
    // field, as if typed there; no history record changes.
    void startUp(const QString& pageUrl = {});

Q_SIGNALS:
    // The window has closed and the shut-down has run: the program may end.
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void shutDown();

    void setStatusText(const QString& text);
    JobSettings currentJob() const;
    // Puts the given fields into the controls, in field order.
    void applyJob(const JobSettingsUpdate& update);
    // Copies record `index` of the history into the job fields without any
    // record being rewritten meanwhile (-1: nothing changes).
    void loadRecord(int index);
    void updateCurrentRecord();

    void extractFileUrls();
    void extractionFinished(PageScanResult result);
    void fillFileList(LinkList urls);
    void runSelection(
        const std::function<SelectionOutcome(const std::function<void(const QString&)>&)>& command);
    void applySelection(const SelectionOutcome& outcome);
    void showOptions();
    void showHelp();
    void chooseFolder();
    void downloadFiles();
    // After a batch: the window back, the beep, the outcome and the log question.
    void batchFinished(const QString& pageUrl, const BatchReport& report);
    void getUrlFromBrowser();
    void previewCurrentEntry();
    void viewFullScreen();

    MainWindowServices services_;
    Options options_;
    UrlHistory history_;
    FileListModel* fileList_ = nullptr;
    // While a page is scanned: the scan, the held input and the hourglass.
    std::unique_ptr<PageScan> pageScan_;
    std::optional<HeldInput> heldInput_;
    std::optional<BusyCursor> extractBusy_;
    QString scannedPageUrl_;   // the URL of the last scan, as typed
    QString scannedFinalUrl_;  // and where that page finally came from
    // While a batch runs: its progress window, question boxes and the batch.
    std::unique_ptr<ProgressWindow> progressWindow_;
    std::unique_ptr<MessageBoxTransferQuestions> questionBoxes_;
    std::unique_ptr<BatchRun> batch_;
    RecentUrlsWindow* recentUrlsWindow_ = nullptr;
    // Steer the rewrite of the current URL's record: an edit of the file types,
    // user name or password since that field got the focus, and a record being
    // copied into the fields.
    bool fieldChanged_ = false;
    bool loadingRecord_ = false;
    bool shutDownDone_ = false;
    bool centred_ = false;
    QString previewUrl_;  // what the full-screen preview shows last

    QLabel* urlHeading_ = nullptr;
    QPushButton* getUrlButton_ = nullptr;
    QLineEdit* urlEdit_ = nullptr;
    QPushButton* recentUrlsButton_ = nullptr;
    QLabel* folderHeading_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    QPushButton* browseFolderButton_ = nullptr;
    QLabel* typesHeading_ = nullptr;
    QLabel* typesHint_ = nullptr;
    QCheckBox* allTypesCheck_ = nullptr;
    QLineEdit* typesEdit_ = nullptr;
    QLabel* userHeading_ = nullptr;
    QLineEdit* userEdit_ = nullptr;
    QLabel* passwordHeading_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QCheckBox* hidePasswordCheck_ = nullptr;
    QPushButton* extractButton_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QListView* fileListView_ = nullptr;
    QWebEngineView* previewPane_ = nullptr;
    QPushButton* selectAllButton_ = nullptr;
    QPushButton* unselectAllButton_ = nullptr;
    QPushButton* viewFullScreenButton_ = nullptr;
    QPushButton* selectContainingButton_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QPushButton* downloadButton_ = nullptr;
    QPushButton* optionsButton_ = nullptr;
    QPushButton* aboutButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusLabel_ = nullptr;
};

}  // namespace pg
