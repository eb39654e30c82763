#pragma once

#include "download/transport.h"
#include "gui/file_opener.h"
#include "gui/main_window.h"
#include "job/settings_store.h"
#include "scan/page_fetch.h"
#include "support/isolated_home.h"
#include "support/qstring_printer.h"
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

struct MemorySettings : SettingsStore {
    QString GetSetting(const QString& key, const QString& fallback) override {
        return values.value(key, fallback);
    }
    void SaveSetting(const QString& key, const QString& value) override { values[key] = value; }
    QMap<QString, QString> values;
};

struct ScriptedPage : PageFetcher {
    PageFetchResult FetchPageSource(const QString&, const QString&, const QString&) override {
        return {true, status, source, {}, {}};
    }
    int status = 200;
    QString source;
};

struct RecordingOpener : FileOpener {
    bool openTextFile(const QString& path, const QString&) override {
        opened.append(path);
        return true;
    }
    QStringList opened;
};

// Sends each file URL's body in one chunk; URLs without an answer get 404.
struct FakeTransport : Transport {
    struct Answer : TransferSession {
        int status = 404;
        QByteArray body;
        bool sent = false;
        Wait waitForResponse(const StopFn&) override { return Wait::Answered; }
        int statusCode() const override { return status; }
        qint64 contentLength() const override { return body.size(); }
        std::optional<ContentRange> contentRange() const override { return {}; }
        QByteArray validator() const override { return {}; }
        QString remoteHost() const override { return {}; }
        TransferError error() const override { return {}; }
        Chunk read(const StopFn&) override {
            return std::exchange(sent, true) ? Chunk{}
                                             : Chunk{Chunk::Data, body.data(), body.size()};
        }
    };
    std::unique_ptr<TransferSession> start(const TransferRequest& request) override {
        onStart();
        auto session = std::make_unique<Answer>();
        session->status = bodies.contains(request.url) ? 200 : 404;
        session->body = bodies.value(request.url);
        return session;
    }
    void processEvents() override { QCoreApplication::processEvents(); }
    QMap<QString, QByteArray> bodies;
    std::function<void()> onStart = [] {};
};

// Activates the control's window and gives the control the focus as Tab does.
inline void FocusByTab(QWidget* control) {
    control->window()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(control->window()));
    control->setFocus(Qt::TabFocusReason);
}

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

inline const QString kFileBase = u"http://h.example/d/"_s;

// A main window over the fakes, with urls.txt and error.log in a fresh folder.
struct MainWindowHarness {
    QString path(const QString& name) const { return dir.filePath(name); }
    void writeHistory(const QStringList& records) const {
        EXPECT_TRUE(WriteFileBytes(path(u"urls.txt"_s), records.join(QString()).toUtf8()));
    }
    QString historyFile() const { return QString::fromUtf8(ReadFileBytes(path(u"urls.txt"_s))); }
    void start() {
        window = std::make_unique<MainWindow>(MainWindowServices{&settings,
                                                                 &page,
                                                                 &opener,
                                                                 nullptr,
                                                                 &transport,
                                                                 nullptr,
                                                                 path(u"urls.txt"_s),
                                                                 {},
                                                                 path(u"error.log"_s)});
        window->startUp();
        window->show();
        FocusByTab(child("Text1"));
    }
    // Scans a page in kFileBase that links the names.
    void extract(const QStringList& names) {
        page.source.clear();
        for (const QString& name : names) {
            page.source += u"<a href="_s + name + u">file</a>\n"_s;
        }
        child<QLineEdit>("Text1")->setText(kFileBase + u"page.html"_s);
        child<QPushButton>("Command2")->click();
    }
    template <typename T = QWidget>
    T* child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString status() const { return child<QLabel>("StatusText")->text(); }
    // The texts of the named fields, joined by "|".
    QString texts(std::initializer_list<const char*> names) const {
        QStringList texts;
        for (const char* name : names) {
            texts.append(child<QLineEdit>(name)->text());
        }
        return texts.join(u'|');
    }

    QTemporaryDir dir{IsolatedRoot() + u"/gui-XXXXXX"_s};
    MemorySettings settings;
    ScriptedPage page;
    RecordingOpener opener;
    FakeTransport transport;
    std::unique_ptr<MainWindow> window;
};

}  // namespace pg::test
