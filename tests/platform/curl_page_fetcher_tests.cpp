#include "platform/curl_page_fetcher.h"
#include "support/qstring_printer.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

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
    CurlPageFetcher fetcher(5, 5);
    const struct {
        QByteArray path;
        QString password;
        QString source;  // empty: not retrieved
        int status;
    } rows[] = {{"/latin1.html", {}, u"café"_s, 200},
                {"/meta.html", {}, u"<meta charset=\"windows-1252\">café"_s, 200},
                {"/missing.html", {}, {}, 404},
                {"/private.html", u"pw"_s, u"<p>in</p>"_s, 200},
                {"/private.html", u"wrong"_s, {}, 401}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const PageFetchResult result =
            fetcher.FetchPageSource(http.url(row.path), u"user"_s, row.password);
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.retrieved(), !row.source.isEmpty());
        EXPECT_EQ(result.source, row.source);
    }
}

}  // namespace
}  // namespace pg::test
