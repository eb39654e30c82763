#pragma once

#include "app/frmMain.h"
#include "platform/file_opener.h"
#include "platform/folder_picker.h"
#include "platform/settings_store.h"
#include "scan/page_fetch.h"

#include "support/isolated_home.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace pg::test {

class FakeFetcher : public PageFetcher {
public:
    PageFetchResult FetchPageSource(const QString& url, const QString& user,
                                    const QString& password) override {
        ++calls;
        lastUrl = url;
        lastUser = user;
        lastPassword = password;
        return result;
    }
    PageFetchResult result;
    int calls = 0;
    QString lastUrl, lastUser, lastPassword;
};

class FakeFolderPicker : public FolderPicker {
public:
    QString chooseFolder(QWidget*, const QString& title, const QString& start) override {
        ++calls;
        lastTitle = title;
        lastStart = start;
        return answer;
    }
    QString answer;
    int calls = 0;
    QString lastTitle, lastStart;
};

class RecordingOpener : public FileOpener {
public:
    bool openTextFile(const QString& path, const QString&) override {
        opened.append(path);
        return true;
    }
    QStringList opened;
};

// Clicks `button` of the next modal message box whose object name is `name`,
// as soon as it shows; records its title and text.
struct ModalAnswer {
    QString title;
    QString text;
    bool seen = false;
};
inline std::shared_ptr<ModalAnswer> AnswerNextModal(const QString& name,
                                                    QMessageBox::StandardButton button) {
    auto answer = std::make_shared<ModalAnswer>();
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, name, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->objectName() != name) {
            return;
        }
        answer->seen = true;
        answer->title = box->windowTitle();
        answer->text = box->text();
        timer->stop();
        timer->deleteLater();
        box->button(button)->click();
    });
    timer->start();
    return answer;
}

// A main window with isolated files and fakes for everything but what a test
// puts in.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        static int n = 0;
        folder = IsolatedRoot() + QStringLiteral("/window-%1").arg(++n);
        QDir().mkpath(folder);
        services.settings = &store;
        services.pageFetcher = &fetcher;
        services.folderPicker = &picker;
        services.fileOpener = &opener;
        services.historyFilePath = folder + QStringLiteral("/urls.txt");
        services.errorLogPath = folder + QStringLiteral("/error.log");
    }

    std::unique_ptr<frmMain> makeWindow() {
        auto window = std::make_unique<frmMain>(services);
        window->startUp();
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return window;
    }

    template <typename T>
    static T* child(QWidget* window, const char* name) {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString folder;
    MemorySettingsStore store;
    FakeFetcher fetcher;
    FakeFolderPicker picker;
    RecordingOpener opener;
    AppServices services;
};

}  // namespace pg::test
