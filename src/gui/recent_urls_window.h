#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStatusBar;

namespace pg {

struct SelectionOutcome;

class UrlHistory;
class UrlHistoryModel;

// The Recent URL List window: the URL history with a check box per entry, a
// few marking commands, and "Use Selected URL", which brings the highlighted
// entry's job back into the main window. The window is made once and only
// ever hidden; each time it opens it is as it was left. It is not modal: the
// main window is hidden while it is shown.
class RecentUrlsWindow : public QDialog {
    Q_OBJECT
public:
    // `useRecord` loads history entry `index` (-1 for none) into the main
    // window, which is hidden while this window is open.
    RecentUrlsWindow(UrlHistory& history, std::function<void(int index)> useRecord,
                     QWidget* mainWindow);
    ~RecentUrlsWindow() override;

    // Hides the main window and shows this one.
    void open() override;

public Q_SLOTS:
    // Esc and Close: back to the main window.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void connectHandlers();

    // Tool tip and command states for an empty or a filled list.
    void refresh();
    void historyChanged();
    // The highlighted entry, or -1; it is also the history's current entry.
    int currentRow() const;
    void setCurrentRow(int row);
    void setStatusText(const QString& text);
    // Shows a text that stays only while a command runs.
    void showProgress(const QString& text);
    // Hides this window and brings the main window back.
    void leave();

    void useSelectedUrl();
    void unselectAll();
    void selectAllContaining();
    void applySelection(const SelectionOutcome& outcome);

    UrlHistory& history_;
    std::function<void(int)> useRecord_;
    QWidget* mainWindow_;
    UrlHistoryModel* model_ = nullptr;
    bool centred_ = false;

    QLabel* countLabel_ = nullptr;
    QListView* urlListView_ = nullptr;
    QPushButton* selectContainingButton_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QPushButton* unselectAllButton_ = nullptr;
    QPushButton* useSelectedButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusLabel_ = nullptr;
};

}  // namespace pg
