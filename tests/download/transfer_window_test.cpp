// The progress window driven by a real transfer from the scriptable server.
#include "download/engine.h"
#include "download/frmDownload.h"
#include "download/message_box_questions.h"

#include "download/engine_fakes.h"
#include "support/test_bytes.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

QString Text(QWidget* window, const char* name) {
    return window->findChild<QLabel*>(QLatin1String(name))->text();
}

TEST(TransferWindow, ShowsTheFinishedTransfer) {
    test::TestHttpServer server;
    server.setRoute("/dir/setup.exe", test::Response::withBody(test::MakeTestBytes(1048576, 3)));
    DownloadFlags flags;
    frmDownload window(flags);
    CurlTransport transport;
    test::ScriptedQuestions questions;
    test::MemoryLog log;
    double clock = 0;
    QTemporaryDir dir;
    const QString target = dir.path() + u"/setup.exe"_s;
    // Look at the window as the transfer ends, before the engine closes it.
    QString status, title, time, rate, source, to;
    int barValue = -1, barMax = -1;
    bool visible = false;
    QObject::connect(&window, &QWidget::windowTitleChanged, [&](const QString& t) { title = t; });
    struct Peek : ProgressView {
        frmDownload& w;
        std::function<void()> atClose;
        explicit Peek(frmDownload& window) : w(window) {}
        void open() override { w.open(); }
        void setStatusText(const QString& t) override { w.setStatusText(t); }
        void setSourceAndTarget(const QString& a, const QString& b, const QString& c) override {
            w.setSourceAndTarget(a, b, c);
        }
        void progressReset(qint64 total) override { w.progressReset(total); }
        void progressUpdate(const ProgressSnapshot& s) override { w.progressUpdate(s); }
        void close() override {
            w.refreshNow();
            atClose();
            w.close();
        }
    } peek(window);
    peek.atClose = [&] {
        visible = window.isVisible();
        status = Text(&window, "StatusLabel");
        time = Text(&window, "TimeLabel");
        rate = Text(&window, "RateLabel");
        source = Text(&window, "SourceLabel");
        to = Text(&window, "ToLabel");
        auto* bar = window.findChild<QProgressBar*>(u"ProgressBar"_s);
        barValue = bar->value();
        barMax = bar->maximum();
    };
    DownloadContext peekContext{
        transport, peek, questions, log, flags, 80, 30, {}, [&] { return clock += 0.25; }};
    ASSERT_TRUE(DownloadFile(peekContext, server.url("/dir/setup.exe"), target, {}, {}, 3, 10));

    EXPECT_TRUE(visible);
    EXPECT_EQ(status, u"Download completed!"_s);
    EXPECT_EQ(title, u"100% of setup.exe completed - 3 of 10"_s);
    EXPECT_TRUE(time.startsWith(u"0 sec (1.0 MB of 1.0 MB copied)"_s)) << time.toStdString();
    EXPECT_TRUE(rate.endsWith(u"/Sec"_s)) << rate.toStdString();
    EXPECT_EQ(source, u"setup.exe from 127.0.0.1"_s);
    // The target path, or its two ends around "..." when it is too wide for the label.
    const qsizetype dots = to.indexOf(u"..."_s);
    EXPECT_TRUE(to == target ||
                (dots > 3 && target.startsWith(to.left(dots)) && target.endsWith(to.mid(dots + 3))))
        << to.toStdString();
    EXPECT_EQ(barValue, barMax);
    EXPECT_EQ(barMax, 1048576);
    EXPECT_FALSE(window.isVisible());  // the engine closed it
}

TEST(TransferWindow, CancelButtonStopsAWaitingTransfer) {
    test::TestHttpServer server;
    test::Response silent;
    silent.neverAnswer = true;
    server.setRoute("/wait", silent);
    DownloadFlags flags;
    frmDownload window(flags);
    CurlTransport transport;
    test::ScriptedQuestions questions;
    test::MemoryLog log;
    DownloadContext context{transport, window, questions, log, flags, 80, 30, {}, {}};
    QTemporaryDir dir;
    QTimer::singleShot(100, [&] {
        QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
    });
    EXPECT_FALSE(DownloadFile(context, server.url("/wait"), dir.path() + u"/w"_s, {}, {}, 1, 1));
    EXPECT_TRUE(flags.CancelAll);
    EXPECT_EQ(Text(&window, "StatusLabel"), u"Cancelling..."_s);
    EXPECT_TRUE(log.lines.isEmpty());
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace pg

namespace pg {
namespace {

// What a message box showed.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Answers the next message box with `answer` and records what it showed.
void AnswerNextBox(QMessageBox::StandardButton answer, SeenBox& seen) {
    QTimer::singleShot(0, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                box->standardButton(box->defaultButton())};
        box->button(answer)->click();
    });
}

TEST(TransferQuestionsBoxes, AskWithTheirTitlesTextsButtonsAndDefaults) {
    MessageBoxQuestions questions;
    for (auto [answer, expected] : {std::pair{QMessageBox::Yes, true}, {QMessageBox::No, false}}) {
        SeenBox seen;
        AnswerNextBox(answer, seen);
        EXPECT_EQ(questions.continueWithoutResume(), expected);
        EXPECT_EQ(seen.title, u"Unable to Resume Download"_s);
        EXPECT_EQ(seen.text,
                  u"The server is unable to resume this download.\n\nDo you want to continue "
                  u"anyway?"_s);
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
        EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(seen.defaultButton, QMessageBox::Yes);
    }
    for (auto [answer, expected] :
         {std::pair{QMessageBox::Retry, true}, {QMessageBox::Cancel, false}}) {
        SeenBox seen;
        AnswerNextBox(answer, seen);
        EXPECT_EQ(questions.retryIncomplete(u"2 min 5 sec"_s), expected);
        EXPECT_EQ(seen.title, u"Download Incomplete"_s);
        EXPECT_EQ(seen.text,
                  u"The connection with the server was reset.\n\nClick \"Retry\" to resume "
                  u"downloading the file.\n(Approximate time remaining: 2 min 5 sec)\n\nClick "
                  u"\"Cancel\" to cancel downloading the file."_s);
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
        EXPECT_EQ(seen.buttons, QMessageBox::Retry | QMessageBox::Cancel);
        EXPECT_EQ(seen.defaultButton, QMessageBox::Retry);
    }
}

}  // namespace
}  // namespace pg
