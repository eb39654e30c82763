#include "gui/desktop_file_opener.h"

#include "gui/text_viewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace pg {

DesktopFileOpener::~DesktopFileOpener() {
    // A desktop viewer still open keeps running on its own; only the waiting
    // launcher ends here.
    for (QProcess* launch : findChildren<QProcess*>()) {
        launch->disconnect(this);
        launch->kill();
        launch->waitForFinished(1000);
    }
}

bool DesktopFileOpener::openTextFile(const QString& path, const QString& title) {
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    const QString copy = plainTextCopy(path);
    if (copy.isEmpty()) {
        return TextViewer::showFile(path, title, parent_);
    }
    auto* launch = new QProcess(this);
    launch->setProgram(u"xdg-open"_s);
    launch->setArguments({copy});
    launch->setStandardInputFile(QProcess::nullDevice());
    launch->setStandardOutputFile(QProcess::nullDevice());
    launch->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const auto fallBack = [this, launch, path, title] {
        launch->deleteLater();
        TextViewer::showFile(path, title, parent_);
    };
    connect(launch, &QProcess::errorOccurred, this, [fallBack](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            fallBack();
        }
    });
    connect(launch, &QProcess::finished, this,
            [launch, fallBack](int exitCode, QProcess::ExitStatus status) {
                if (status == QProcess::NormalExit && exitCode == 0) {
                    launch->deleteLater();
                } else {
                    fallBack();  // 3: no viewer for the type; 4: it failed
                }
            });
    launch->start();
    return true;
}

QString DesktopFileOpener::plainTextCopy(const QString& path) {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) {
        return {};
    }
    const QString folder = runtime + u"/Pagegleaner"_s;
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile source(path);
    QSaveFile copy(folder + u'/' + QFileInfo(path).completeBaseName() + u".txt"_s);
    copy.setDirectWriteFallback(false);
    if (!source.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly) ||
        !copy.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        copy.write(source.readAll()) < 0 || !copy.commit()) {
        return {};
    }
    return copy.fileName();
}

}  // namespace pg
