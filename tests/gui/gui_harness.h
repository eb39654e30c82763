#pragma once

#include "desktop/fake_window_tree.h"
#include "gui/file_opener.h"
#include "gui/main_window.h"
#include "job/settings_store.h"
#include "platform/curl_page_fetcher.h"
#include "platform/curl_transport.h"
#include "scan/page_scan.h"
#include "support/event_loop.h"
#include "support/isolated_home.h"
#include "support/qstring_printer.h"
#include "support/scripted_server.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace pg::test {

using namespace Qt::StringLiterals;

// Settings in memory, and an opener that records what it opened.
struct FakeServices : SettingsStore, FileOpener {
    QString GetSetting(const QString& key, const QString& fallback) override {
        return values.value(key, fallback);
    }
    void SaveSetting(const QString& key, const QString& value) override { values[key] = value; }
    bool openTextFile(const QString& path, const QString&) override {
        opened.append(path);
        return true;
    }
    QMap<QString, QString> values;
    QStringList opened;
};

// Activates the control's window and gives the control the focus as Tab does.
inline void FocusByTab(QWidget* control) {
    control->window()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(control->window()));
    control->setFocus(Qt::TabFocusReason);
}

// The named control of the named top-level window, or the window for a null name.
template <typename T = QWidget>
T* Control(const QString& window, const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == window) {
            return name ? top->findChild<T*>(QString::fromLatin1(name)) : qobject_cast<T*>(top);
        }
    }
    return nullptr;
}

// Runs `act` on the next modal window once it shows, unless `owner` goes first.
inline void OnNextModal(QObject* owner, std::function<void(QWidget* modal)> act) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            delete timer;
            act(modal);
        }
    });
    timer->start(10);
}

// Sets or clears an entry's check box, as a click on it does.
inline void SetChecked(QListView* list, int row, bool checked) {
    list->model()->setData(list->model()->index(row, 0), checked ? Qt::Checked : Qt::Unchecked,
                           Qt::CheckStateRole);
}

// "x" for each checked entry, "-" for each other one.
inline QString Marks(QListView* list) {
    QString marks;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        marks += list->model()->index(row, 0).data(Qt::CheckStateRole) == Qt::Checked ? u'x' : u'-';
    }
    return marks;
}

// A main window over the fakes and a server on loopback, with urls.txt and
// error.log in a fresh folder.
struct MainWindowHarness {
    // Shows the window over these stored settings and history file, started
    // with a page URL from the command line when one is given.
    explicit MainWindowHarness(const QMap<QString, QString>& stored = {},
                               const QString& history = {}, const QString& pageUrl = {}) {
        fakes.values = stored;
        EXPECT_TRUE(WriteFileBytes(path(u"urls.txt"_s), history.toUtf8()));
        MainWindowServices services;
        services.settings = &fakes;
        services.pageFetcher = &page;
        services.fileOpener = &fakes;
        services.transport = &transport;
        services.historyFilePath = path(u"urls.txt"_s);
        services.errorLogPath = path(u"error.log"_s);
        services.windowTree = &desktop;
        window = std::make_unique<MainWindow>(services);
        window->startUp(pageUrl);
        window->show();
        FocusByTab(child("Text1"));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString historyFile() const { return QString::fromUtf8(ReadFileBytes(path(u"urls.txt"_s))); }
    // Scans the page /d/page.html, which links the names.
    void extract(const QStringList& names) {
        const QString links = u"<a href="_s + names.join(u"></a><a href="_s) + u'>';
        http.handle("/d/page.html", http.bytes({.body = links.toUtf8()}));
        child<QLineEdit>("Text1")->setText(http.url("/d/page.html"));
        child<QPushButton>("Command2")->click();
        waitForScan();
    }
    // Runs the event loop until "6) &Extract file URLs" has ended.
    void waitForScan() {
        EXPECT_TRUE(RunEventLoopUntil([this] { return status() != kExtractingText; }, 60000));
    }
    template <typename T = QWidget>
    T* child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString status() const { return child<QLabel>("StatusText")->text(); }

    QTemporaryDir dir{IsolatedRoot() + u"/gui-XXXXXX"_s};
    FakeServices fakes;
    ScriptedServer http;
    CurlPageFetcher page;
    CurlTransport transport;
    FakeDesktop desktop;
    std::unique_ptr<MainWindow> window;
};

}  // namespace pg::test
