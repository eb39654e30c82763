#pragma once

#include "app/app_services.h"
#include "app/app_settings.h"
#include "app/job_editing.h"
#include "app/job_settings.h"
#include "download/batch.h"
#include "download/progress_view.h"
#include "history/url_history.h"
#include "scan/extract_command.h"

#include <QMainWindow>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStatusBar;

namespace pg {

class FileListModel;
class MessageBoxQuestions;
class frmDownload;
class frmURLs;
struct SelectionOutcome;

// The main window: the job fields, the file list, the status bar and the
// buttons that start each step. Closing it ends the program.
class frmMain : public QMainWindow, private ScanWindow, private BatchWindow {
    Q_OBJECT
public:
    explicit frmMain(AppServices services, QWidget* parent = nullptr);
    ~frmMain() override;

    // Caption, settings, URL history and welcome text; run before the first show.
    void startUp();

    QString statusText() const;
    void setStatusText(const QString& text) override;

    JobSettings currentJob() const;
    // Puts the given fields into the controls, in field order.
    void applyJob(const JobSettingsUpdate& update);

    // Copies record `index` of the history into the job fields without any
    // record being rewritten meanwhile (-1: nothing changes).
    void loadRecord(int index);

    OptionValues& options() { return options_; }
    JobEditing& editing() { return editing_; }
    DownloadFlags& downloadFlags() { return flags_; }
    frmDownload* progressWindow() const { return progress_; }
    frmURLs* recentUrlWindow() const { return urls_; }
    UrlHistory& history() { return history_; }
    FileListModel& fileList() { return *fileList_; }

    static QString caption();
    static QString welcomeText();

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

    void extractFileUrls();
    void showOptions();
    void showHelp();
    void chooseFolder();
    void downloadFiles();
    void applySelection(const SelectionOutcome& outcome);
    void updateCurrentRecord();

    // BatchWindow
    void focusFolderButton() override;
    void hideMainWindow() override;
    void showMainWindow() override;
    void beep() override;
    void addPageToHistory() override;
    bool askToViewErrorLog() override;
    void openErrorLog(const QString& path) override;

    // ScanWindow
    void setCountLabel(const QString& text) override;
    void setDownloadEnabled(bool enabled) override;
    void hidePreview() override;
    void setBusy(bool busy) override;
    void clearFileList() override;
    void fillFileList(const QStringList& urls) override;

    AppServices services_;
    OptionValues options_;
    UrlHistory history_;
    FileListModel* fileList_ = nullptr;
    JobEditing editing_;
    DownloadFlags flags_;
    frmDownload* progress_ = nullptr;
    frmURLs* urls_ = nullptr;
    std::unique_ptr<MessageBoxQuestions> questions_;
    bool busy_ = false;
    bool shutDownDone_ = false;
    bool centred_ = false;

    QLabel* Label1 = nullptr;
    QPushButton* cmdGetURL = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command10 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text4 = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* ckAll = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Text6 = nullptr;
    QCheckBox* ckHide = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label2 = nullptr;
    QListView* lstImages = nullptr;
    QWidget* WebBrowser1 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* cmdViewImage = nullptr;
    QPushButton* Command7 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command6 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusLabel_ = nullptr;
};

}  // namespace pg
