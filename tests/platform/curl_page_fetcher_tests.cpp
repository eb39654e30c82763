#include "platform/curl_page_fetcher.h"
#include "scan/page_scan.h"
#include "support/page_runs.h"
#include "support/qstring_printer.h"
#include "support/raw_responder.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <QTimer>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

TEST(CurlPageFetcherTest, DecodesPagesAndReportsFailures) {
    ScriptedServer http;
    http.handle("/latin1.html",
                ScriptedServer::bytes({"caf\xe9", "text/html; charset=iso-8859-1"}));
    http.handle("/meta.html",
                ScriptedServer::bytes({"<meta charset=\"windows-1252\">caf\xe9", "text/html"}));
    http.handle("/private.html",
                ScriptedServer::basicAuth("user", "pw", ScriptedServer::bytes({"<p>in</p>"})));
    // A user name alone (a token) is sent as well.
    http.handle("/token.html",
                ScriptedServer::basicAuth("token", "", ScriptedServer::bytes({"<p>t</p>"})));
    CurlPageFetcher fetcher(5, 5);
    const std::tuple<QByteArray, QString, QString, QString, int> rows[] = {
        // path, user name, password, the text (empty: not retrieved), status
        {"/latin1.html", {}, {}, u"café"_s, 200},
        {"/meta.html", {}, {}, u"<meta charset=\"windows-1252\">café"_s, 200},
        {"/missing.html", {}, {}, {}, 404},
        {"/private.html", u"user"_s, u"pw"_s, u"<p>in</p>"_s, 200},
        {"/private.html", u"user"_s, u"wrong"_s, {}, 401},
        {"/token.html", u"token"_s, {}, u"<p>t</p>"_s, 200}};
    for (const auto& [path, user, password, source, status] : rows) {
        SCOPED_TRACE(path.toStdString());
        PageText text;
        const PageFetchResult result = FetchToEnd(fetcher, http.url(path), text, user, password);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.retrieved(), !source.isEmpty());
        EXPECT_EQ(result.retrieved() ? text.all() : QString(), source);
    }
}

// A page that moved: its links are relative to where it ended up, after any
// number of redirects; a page that did not move keeps the URL as typed.
TEST(CurlPageFetcherTest, LinksOfARedirectedPageAreRelativeToWhereItEndedUp) {
    ScriptedServer http;
    const auto moved = [](std::string to) {
        return [to](const httplib::Request&, httplib::Response& response) {
            response.status = 301;
            response.set_header("Location", to);
        };
    };
    http.handle("/files", moved("/files/"));
    http.handle("/old/p.htm", moved("/files"));
    http.handle("/files/",
                ScriptedServer::bytes({"<a href=a.jpg> <a href=../b.jpg>", "text/html"}));
    CurlPageFetcher fetcher(5, 5);
    const QString typed = http.url("/files/").replace(u"http:"_s, u"HTTP:"_s);
    for (const auto& [url, base] :
         {std::pair{http.url("/files"), http.url("/")},
          std::pair{http.url("/old/p.htm"), http.url("/")}, std::pair{typed, typed.chopped(6)}}) {
        const PageScanResult result = ScanToEnd(fetcher, {url, {}, {}, false, u"jpg"_s});
        EXPECT_EQ(result.urls.toStringList().join(u' '),
                  base + u"files/a.jpg "_s + base + u"b.jpg"_s)
            << url.toStdString();
    }
}

// Counts what reaches the page.
struct CountedBody : PageBody {
    void bytes(QByteArrayView data, const QByteArray&) override { count += data.size(); }
    void text(QStringView) override {}
    qint64 count = 0;
};

TEST(CurlPageFetcherTest, RefusesPagesPastTheLimitAndCanBeCalledOff) {
    const QByteArray page(4'000'000, 'a'), head = "HTTP/1.1 200 OK\r\n\r\n";
    // Packed (deflate: zlib's stream, qCompress without its length), plain, at the
    // limit, and never ending.
    RawResponder raw(
        {{"HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\n\r\n" + qCompress(page).mid(4)},
         {head + page},
         {head + page.left(1'000'000)},
         {head + "<p>", true}});
    CurlPageFetcher fetcher(5, 60, 1'000'000);
    for (int i = 0; i < 4; ++i) {
        if (i == 3) {
            QTimer::singleShot(200, [&fetcher] { fetcher.cancel(); });
        }
        CountedBody body;
        const PageFetchResult result = FetchToEnd(fetcher, raw.url("/p.html"), body);
        EXPECT_EQ(result.retrieved(), i == 2) << i << result.failure.toStdString();
        EXPECT_EQ(result.failure == u"cancelled"_s, i == 3) << i;
        EXPECT_LE(body.count, 1'000'000);
    }
}

}  // namespace
}  // namespace pg::test
