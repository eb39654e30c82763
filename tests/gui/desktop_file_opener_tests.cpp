#include "gui/desktop_file_opener.h"
#include "gui_harness.h"
#include "support/event_loop.h"

#include <QDialog>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>

namespace pg::test {
namespace {

// xdg-open stands in for the desktop: it fails as a desktop without a viewer
// for the type does (exit 3), is missing, or records what it was given. The
// help text opens as text: the desktop gets a ".txt" copy, and the program's
// own viewer shows the text when the desktop's attempt fails.
TEST(DesktopFileOpenerTest, OpensAsTextAndFallsBackToItsOwnViewerOnFailure) {
    QTemporaryDir dir(IsolatedRoot() + u"/opener-XXXXXX"_s);
    const QString help = dir.filePath(u"faq.fil"_s);
    ASSERT_TRUE(WriteFileBytes(help, "PA;PD;\nHow to use Pagegleaner\n"));
    const QString record = dir.filePath(u"given"_s);
    const QByteArray path = qgetenv("PATH");
    for (const auto& [script, viewerShown] :
         {std::pair{"exit 3", true}, std::pair{"", true},
          std::pair{"printf %s \"$1\" > given; exit 0", false}}) {
        const QString bin = dir.filePath(u"bin-%1"_s.arg(viewerShown ? script[0] : 'r'));
        QDir().mkpath(bin);
        if (*script) {
            const QString fake = bin + u"/xdg-open"_s;
            ASSERT_TRUE(WriteFileBytes(fake, QByteArray("#!/bin/sh\ncd '") +
                                                 QFile::encodeName(dir.path()) + "'\n" + script +
                                                 '\n'));
            QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin));
        DesktopFileOpener opener;
        EXPECT_TRUE(opener.openTextFile(help, u"Pagegleaner - Help"_s));
        qputenv("PATH", path);
        EXPECT_TRUE(RunEventLoopUntil([&] { return opener.findChildren<QProcess*>().isEmpty(); }))
            << script;
        auto* viewer = Control<QDialog>(u"TextViewer"_s, nullptr);
        EXPECT_EQ(viewer != nullptr, viewerShown) << script;
        if (viewer) {
            EXPECT_EQ(viewer->windowTitle(), u"Pagegleaner - Help"_s);
            EXPECT_EQ(viewer->findChild<QPlainTextEdit*>()->toPlainText(),
                      u"PA;PD;\nHow to use Pagegleaner\n"_s);
            delete viewer;
        } else {
            const QString given = QString::fromUtf8(ReadFileBytes(record));
            EXPECT_TRUE(given.endsWith(u"/faq.txt"_s)) << given.toStdString();
            EXPECT_EQ(ReadFileBytes(given), ReadFileBytes(help));
        }
    }
}

}  // namespace
}  // namespace pg::test
