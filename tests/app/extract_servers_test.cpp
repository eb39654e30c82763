// "6) &Extract file URLs" against real servers on loopback: the page fetcher
// with its credentials, redirects and failures, for http and ftp pages.
#include "window_fixture.h"

#include "platform/curl_page_fetcher.h"
#include "scan/file_list_model.h"

#include "support/ftp_fixture.h"
#include "support/test_http_server.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

using test::Response;

const QString kRequestFailed =
    u"Unable to retrieve web page source - check internet connection, URL, user name and "
    u"password"_s;

class ExtractServersTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        services.pageFetcher = &realFetcher;
        server.setRoute(
            "/p/index.html",
            Response::withBody("<img src=a.gif> <a href=\"sub/b.jpg\">b</a>", "text/html"));
    }
    void extract(frmMain* w, const QString& url, const QString& user = {},
                 const QString& password = {}) {
        child<QLineEdit>(w, "Text1")->setText(url);
        child<QLineEdit>(w, "Text5")->setText(user);
        child<QLineEdit>(w, "Text6")->setText(password);
        QTest::mouseClick(child<QPushButton>(w, "Command2"), Qt::LeftButton);
    }
    QStringList listed(frmMain* w) { return w->fileList().list().entries(); }

    test::TestHttpServer server;
    CurlPageFetcher realFetcher{5, 5};
};

TEST_F(ExtractServersTest, PageIsFetchedAndItsFilesListed) {
    auto w = makeWindow();
    extract(w.get(), server.url("/p/index.html"));
    EXPECT_EQ(listed(w.get()), (QStringList{server.url("/p/a.gif"), server.url("/p/sub/b.jpg")}));
    EXPECT_EQ(w->statusText(), u"Web page file URLs extracted"_s);
    // Empty credentials send no login at all.
    EXPECT_FALSE(server.requestsFor("/p/index.html").at(0).hasHeader("Authorization"));
}

TEST_F(ExtractServersTest, CredentialsOpenBasicAndDigestPages) {
    for (bool digest : {false, true}) {
        if (digest) {
            server.setDigestAuth("/p/index.html", "anna", "pw 1");
        } else {
            server.setBasicAuth("/p/index.html", "anna", "pw 1");
        }
        auto w = makeWindow();
        extract(w.get(), server.url("/p/index.html"), u"anna"_s, u"pw 1"_s);
        EXPECT_EQ(listed(w.get()).size(), 2) << digest;

        extract(w.get(), server.url("/p/index.html"), u"anna"_s, u"wrong"_s);
        EXPECT_EQ(w->statusText(), kRequestFailed) << digest;
        EXPECT_TRUE(listed(w.get()).isEmpty());
        EXPECT_TRUE(child<QLabel>(w.get(), "Label2")->text().isEmpty());
        server.removeAuth("/p/index.html");
    }
}

TEST_F(ExtractServersTest, MissingPageAndEmptyPage) {
    auto w = makeWindow();
    extract(w.get(), server.url("/p/index.html"));
    ASSERT_EQ(listed(w.get()).size(), 2);
    extract(w.get(), server.url("/nothing-here.html"));
    EXPECT_EQ(w->statusText(), kRequestFailed);
    EXPECT_TRUE(listed(w.get()).isEmpty());

    server.setRoute("/empty.html", Response::withBody({}, "text/html"));
    extract(w.get(), server.url("/empty.html"));
    EXPECT_EQ(w->statusText(),
              u"Unable to get web page source - check internet connection, URL, user name and "
              u"password"_s);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ExtractServersTest, RedirectedPageResolvesAgainstTheTypedUrl) {
    server.setRedirect("/old/page.htm", "/p/index.html", 301);
    auto w = makeWindow();
    extract(w.get(), server.url("/old/page.htm"));
    // The values are joined to the directory of the URL in the field.
    EXPECT_EQ(listed(w.get()),
              (QStringList{server.url("/old/a.gif"), server.url("/old/sub/b.jpg")}));
}

TEST_F(ExtractServersTest, FtpPageUrl) {
    if (!test::FtpFixture::isAvailable()) {
        GTEST_SKIP() << test::FtpFixture::unavailableReason().toStdString();
    }
    QTemporaryDir root;
    QFile page(root.filePath(u"list.html"_s));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<a href=\"pub/tool.exe\">tool</a> <img src=logo.gif>");
    page.close();
    test::FtpFixture ftp({.root = root.path()});
    ASSERT_TRUE(ftp.start());
    auto w = makeWindow();
    extract(w.get(), ftp.url("/list.html"));
    EXPECT_EQ(listed(w.get()), (QStringList{ftp.url("/pub/tool.exe"), ftp.url("/logo.gif")}));
    extract(w.get(), ftp.url("/missing.html"));
    EXPECT_EQ(w->statusText(), kRequestFailed);
}

}  // namespace
}  // namespace pg
