// The main window with many file URLs, on the offscreen platform: how long
// "6) &Extract file URLs" takes to list a page of distinct links, and how long
// Select All, Unselect All and Select All Containing take on a list. The page
// comes from memory in pieces of 256 KiB, so the figures are the scan and the
// list, not the network; each command is timed until the window has painted.
//
//   window_bench [LINKS] [ENTRIES]   (defaults: 1000000 links, 100000 entries)
//
// Prints one line per command: "NAME entries=N ms=T", and after the listing
// "link_bytes entries=N bytes=B": how far the peak memory rose above what the
// window held before, a link.
#include "gui/main_window.h"
#include "job/settings_store.h"
#include "scan/page_fetch.h"
#include "scan/page_scan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

class MemorySettings : public pg::SettingsStore {
public:
    QString GetSetting(const QString&, const QString& fallback) override { return fallback; }
    void SaveSetting(const QString&, const QString&) override {}
};

// A page of `links` distinct links, one per line, given in pieces.
class GeneratedPage : public pg::PageFetcher {
public:
    void setLinks(int links) {
        page_.clear();
        for (int i = 0; i < links; ++i) {
            page_ += "<a href=\"files/doc" + QByteArray::number(i) + ".zip\">doc</a>\n";
        }
    }
    void startFetch(const QString& url, const QString&, const QString&, pg::PageBody& body,
                    DoneFn done) override {
        constexpr qsizetype kPiece = 256 * 1024;
        for (qsizetype at = 0; at < page_.size(); at += kPiece) {
            body.bytes(QByteArrayView(page_).sliced(at, std::min(kPiece, page_.size() - at)),
                       "text/html");
        }
        QTimer::singleShot(0, [done = std::move(done), url] { done({true, 200, {}, url}); });
    }
    void cancel() override {}

private:
    QByteArray page_;
};

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM": now and at the peak).
long StatusKib(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
        }
    }
    return 0;
}

// Starts the peak anew from the memory held now.
void ResetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) {
        clear.write("5");
    }
}

template <typename T>
T* Child(QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

// Lets the event loop run until "6) &Extract file URLs" has ended.
void WaitForScan(QWidget& window) {
    while (Child<QLabel>(window, "StatusText")->text() == pg::kExtractingText) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// Runs the command and prints how long it took until the window had painted.
void Time(QWidget& window, const char* name, qsizetype entries, const std::function<void()>& run) {
    QElapsedTimer timer;
    timer.start();
    run();
    WaitForScan(window);
    QApplication::processEvents();
    window.repaint();
    std::printf("%s entries=%lld ms=%lld\n", name, static_cast<long long>(entries),
                static_cast<long long>(timer.elapsed()));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int links = args.size() > 1 ? args.at(1).toInt() : 1000000;
    const int entries = args.size() > 2 ? args.at(2).toInt() : 100000;

    MemorySettings settings;
    GeneratedPage page;
    pg::MainWindowServices services;
    services.settings = &settings;
    services.pageFetcher = &page;
    pg::MainWindow window(services);
    window.show();
    QApplication::processEvents();
    Child<QLineEdit>(window, "Text1")->setText(QStringLiteral("http://host/dir/index.html"));
    Child<QLineEdit>(window, "Text3")->setText(QStringLiteral("zip"));
    auto* extract = Child<QPushButton>(window, "Command2");
    auto* list = Child<QListView>(window, "lstImages");

    page.setLinks(links);
    ResetPeak();
    const long before = StatusKib("VmRSS");
    Time(window, "extract", links, [extract] { extract->click(); });
    std::printf("link_bytes entries=%d bytes=%.0f\n", links,
                links > 0 ? double(StatusKib("VmHWM") - before) * 1024 / links : 0.0);
    if (list->model()->rowCount() != links) {
        std::fprintf(stderr, "window_bench: %d entries listed, %d expected\n",
                     list->model()->rowCount(), links);
        return 1;
    }

    page.setLinks(entries);
    extract->click();
    WaitForScan(window);
    Child<QLineEdit>(window, "Text2")->setText(QStringLiteral("DOC1"));
    Time(window, "select_all", entries, [&] { Child<QPushButton>(window, "Command4")->click(); });
    Time(window, "unselect_all", entries, [&] { Child<QPushButton>(window, "Command5")->click(); });
    Time(window, "select_containing", entries,
         [&] { Child<QPushButton>(window, "Command7")->click(); });
    return 0;
}
