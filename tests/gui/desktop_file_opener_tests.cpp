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
    const QByteArray text = "PA;PD;\nHow to use Pagegleaner\n";
    ASSERT_TRUE(WriteFileBytes(help, text));
    const QString fake = dir.filePath(u"xdg-open"_s);
    const QString record = dir.filePath(u"given"_s);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));  // the stand-in alone
    for (const QString& script :
         {u"exit 3"_s, QString(), u"printf %s \"$1\" > '%1'"_s.arg(record)}) {
        QFile::remove(fake);
        if (!script.isEmpty()) {
            WriteFileBytes(fake, "#!/bin/sh\n" + script.toUtf8() + '\n');
            QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        DesktopFileOpener opener;
        EXPECT_TRUE(opener.openTextFile(help, u"Pagegleaner - Help"_s));
        EXPECT_TRUE(RunEventLoopUntil([&] { return opener.findChildren<QProcess*>().isEmpty(); }));
        auto* viewer = Control<QDialog>(u"TextViewer"_s, nullptr);
        EXPECT_EQ(viewer == nullptr, script.startsWith(u"printf"_s)) << script.toStdString();
        if (viewer) {
            EXPECT_EQ(
                viewer->windowTitle() + u'|' + viewer->findChild<QPlainTextEdit*>()->toPlainText(),
                u"Pagegleaner - Help|"_s + QString::fromUtf8(text));
            delete viewer;
        } else {
            const QString given = QString::fromUtf8(ReadFileBytes(record));
            EXPECT_TRUE(given.endsWith(u"/faq.txt"_s)) << given.toStdString();
            EXPECT_EQ(ReadFileBytes(given), text);
        }
    }
    qputenv("PATH", path);
}

}  // namespace
}  // namespace pg::test
