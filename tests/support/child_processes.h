#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/prctl.h>

#include <csignal>
#include <memory>
#include <vector>

namespace pg::test {

using namespace Qt::StringLiterals;

// Programs that a test starts and that end with it (in the reverse order), and
// with the test process even when that is killed. QProcess needs no Qt
// application here, so that a test can start an X server before Qt.
class ChildProcesses {
public:
    ~ChildProcesses() {
        while (!processes_.empty()) {
            processes_.back()->terminate();
            processes_.back()->waitForFinished(5000);
            processes_.pop_back();
        }
    }

    // Starts the program and gives the first line it prints if `readLine`.
    // Output goes nowhere otherwise: helpers that servers start would hold the
    // test runner's output open.
    QString start(const QString& program, const QStringList& args, bool readLine = false) {
        QProcess& process = *processes_.emplace_back(std::make_unique<QProcess>());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.setStandardOutputFile(readLine ? QString() : QProcess::nullDevice());
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process.start(program, args);
        while (readLine && !process.canReadLine() && process.waitForReadyRead(20000)) {
        }
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    // Xvfb on a display it picks itself; the display's number, empty when it did
    // not start. Without -noreset the X server resets when its first clients
    // leave and turns away those connecting meanwhile.
    QString startXvfb() {
        return start(u"/usr/bin/Xvfb"_s,
                     {u"-displayfd"_s, u"1"_s, u"-noreset"_s, u"-nolisten"_s, u"tcp"_s,
                      u"-screen"_s, u"0"_s, u"1280x1024x24"_s},
                     true);
    }

private:
    std::vector<std::unique_ptr<QProcess>> processes_;
};

}  // namespace pg::test
