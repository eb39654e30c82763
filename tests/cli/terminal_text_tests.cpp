#include "cli/cli_options.h"
#include "cli/terminal_progress.h"
#include "cli/terminal_text.h"
#include "support/isolated_home.h"
#include "support/qstring_printer.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace pg::cli {
namespace {

TEST(TerminalTextTest, ControlCharactersAreShownAsHexCodes) {
    const std::pair<QString, QString> cases[] = {
        {u"a\x1b]0;title\x07z"_s, u"a\\x1B]0;title\\x07z"_s},
        {u"\0\t\r\n\x7f\u0080\u009b"_s, u"\\x00\\x09\\x0D\\x0A\\x7F\\x80\\x9B"_s},
        {u"\u00a0\u00e9 \\x1B ~"_s, u"\u00a0\u00e9 \\x1B ~"_s},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(EscapeControls(text), shown);
    }
    ProgressSnapshot snapshot;
    snapshot.targetName = u"a\x1b[2Jb.bin"_s;
    snapshot.received = 10;
    snapshot.itemNumber = snapshot.itemCount = 1;
    EXPECT_EQ(ProgressBarLine(snapshot, 80), u"[1/1] a\\x1B[2Jb.bin 10 bytes"_s);
}

// The real program on a page whose links carry a terminal escape (ESC) and a
// C1 control introducer (U+009B), with an error log that cannot be written.
TEST(TerminalTextTest, ProgramEscapesPageTextAndReportsAnUnwritableLog) {
    test::ScriptedServer http;
    http.handle("/page.html", http.bytes({.body = "<a href=a\x1b[2Jb.bin> <a href=c\xc2\x9b"
                                                  "1m.bin>"}));
    QTemporaryDir dir{test::IsolatedRoot() + u"/cli-XXXXXX"_s};
    QProcess cli;
    const auto run = [&](const QStringList& arguments) {
        cli.start(QStringLiteral(PG_CLI_PATH), arguments);
        return cli.waitForFinished(120000) ? cli.exitCode() : -1;
    };
    EXPECT_EQ(run({u"list"_s, u"--types"_s, u"bin"_s, http.url("/page.html")}), ExitOk);
    EXPECT_EQ(cli.readAllStandardOutput(),
              (http.url("/a\\x1B[2Jb.bin") + u'\n' + http.url("/c\\x9B1m.bin") + u'\n').toUtf8());

    EXPECT_EQ(run({u"get"_s, u"--types"_s, u"bin"_s, u"--dir"_s, dir.path(), u"--log"_s,
                   u"/dev/full"_s, http.url("/page.html")}),
              ExitFilesFailed);
    const QByteArray err = cli.readAllStandardError();
    EXPECT_FALSE(err.contains('\x1b') || err.contains("\xc2\x9b")) << err.constData();
    EXPECT_TRUE(err.contains("a\\x1B[2Jb.bin -> " + QFile::encodeName(dir.path()) + "/a_[2Jb.bin"))
        << err.constData();
    EXPECT_TRUE(
        err.endsWith("pagegleaner-cli: cannot write the error log /dev/full: No space left "
                     "on device\nErrors occurred while downloading - see the lines above\n"))
        << err.constData();
}

}  // namespace
}  // namespace pg::cli
