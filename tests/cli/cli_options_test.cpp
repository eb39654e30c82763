#include "cli/cli_options.h"

#include "app/app_settings.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace Qt::StringLiterals;

namespace pg::cli {
namespace {

QStringList Args(const char* text) {
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

TEST(ParseCliArguments, GetDefaults) {
    const ParseResult r = ParseCliArguments(Args("get --dir /tmp/d http://host/page.htm"));
    ASSERT_TRUE(r.options) << r.error.toStdString();
    const CliOptions& o = *r.options;
    EXPECT_EQ(o.command, u"get"_s);
    EXPECT_EQ(o.url, u"http://host/page.htm"_s);
    EXPECT_EQ(o.directory, u"/tmp/d"_s);
    EXPECT_EQ(o.types, kDefaultFileTypes);
    EXPECT_FALSE(o.allTypes);
    EXPECT_EQ(o.port, 80);
    EXPECT_EQ(o.timeoutSecs, 60);
    EXPECT_EQ(o.retries, 3);
    EXPECT_TRUE(o.contains.isEmpty());
    EXPECT_TRUE(o.logFile.isEmpty());
    EXPECT_TRUE(o.userName.isEmpty());
    EXPECT_TRUE(o.passwordFile.isEmpty());
    EXPECT_FALSE(o.help);
}

TEST(ParseCliArguments, EveryOptionOfGet) {
    const ParseResult r = ParseCliArguments(
        Args("get --all --types zip,PNG --contains Setup --user ann --password-file pw.txt "
             "--port 8080 --timeout 0 --retries 0 --log /tmp/e.log --dir out ftp://h/p/"));
    ASSERT_TRUE(r.options) << r.error.toStdString();
    const CliOptions& o = *r.options;
    EXPECT_TRUE(o.allTypes);
    EXPECT_EQ(o.types, u"zip,PNG"_s);
    EXPECT_EQ(o.contains, u"Setup"_s);
    EXPECT_EQ(o.userName, u"ann"_s);
    EXPECT_EQ(o.passwordFile, u"pw.txt"_s);
    EXPECT_EQ(o.port, 8080);
    EXPECT_EQ(o.timeoutSecs, 0);
    EXPECT_EQ(o.retries, 0);
    EXPECT_EQ(o.logFile, u"/tmp/e.log"_s);
    EXPECT_EQ(o.directory, u"out"_s);
    EXPECT_EQ(o.url, u"ftp://h/p/"_s);
}

TEST(ParseCliArguments, NumbersAtTheEdgesOfTheirRanges) {
    const struct {
        const char* args;
        int port, timeout, retries;
    } cases[] = {
        {"get --dir d --port 1 --timeout 86400 --retries 1000 u", 1, 86400, 1000},
        {"get --dir d --port 65535 --timeout 0 --retries 0 u", 65535, 0, 0},
    };
    for (const auto& c : cases) {
        const ParseResult r = ParseCliArguments(Args(c.args));
        ASSERT_TRUE(r.options) << c.args << ": " << r.error.toStdString();
        EXPECT_EQ(r.options->port, c.port) << c.args;
        EXPECT_EQ(r.options->timeoutSecs, c.timeout) << c.args;
        EXPECT_EQ(r.options->retries, c.retries) << c.args;
    }
}

TEST(ParseCliArguments, RefusedArguments) {
    const struct {
        const char* args;
        const char* error;
    } cases[] = {
        {"", "no command given"},
        {"fetch http://h/", "unknown command: fetch"},
        {"get --dir d", "no page URL given"},
        {"get --dir d http://a/ http://b/", "more than one page URL given"},
        {"get http://h/", "get needs --dir DIR"},
        {"get --dir d --verbose http://h/", "unknown option: --verbose"},
        {"list --dir d http://h/", "unknown option: --dir"},
        {"list --retries 2 http://h/", "unknown option: --retries"},
        {"get http://h/ --dir", "--dir needs a value"},
        {"get --dir d http://h/ --types", "--types needs a value"},
        {"get --dir d http://h/ --password-file", "--password-file needs a value"},
        {"get --dir d --port 0 u", "--port needs a number from 1 to 65535, not '0'"},
        {"get --dir d --port 65536 u", "--port needs a number from 1 to 65535, not '65536'"},
        {"get --dir d --port http u", "--port needs a number from 1 to 65535, not 'http'"},
        {"get --dir d --timeout -1 u", "--timeout needs a number from 0 to 86400, not '-1'"},
        {"get --dir d --timeout 86401 u", "--timeout needs a number from 0 to 86400, not '86401'"},
        {"get --dir d --retries 1001 u", "--retries needs a number from 0 to 1000, not '1001'"},
        {"get --dir d --retries 2.5 u", "--retries needs a number from 0 to 1000, not '2.5'"},
        {"get --dir d --retries u", "--retries needs a number from 0 to 1000, not 'u'"},
    };
    for (const auto& c : cases) {
        const ParseResult r = ParseCliArguments(Args(c.args));
        EXPECT_FALSE(r.options) << c.args;
        EXPECT_EQ(r.error.toStdString(), c.error) << c.args;
    }
}

}  // namespace
}  // namespace pg::cli
