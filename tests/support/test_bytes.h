#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace pg::test {

// Deterministic pseudo-random content; the same size and seed give the same bytes.
inline QByteArray MakeTestBytes(qint64 size, quint32 seed = 1) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint64 x = 0x9e3779b97f4a7c15ULL * (seed + 1ULL);  // xorshift64, never 0
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = char(x >> 32);
    }
    return bytes;
}

// The whole content of a file, or "<missing>" when it cannot be read.
inline QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes data to a new or emptied file; false when it cannot.
inline bool WriteFileBytes(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Every entry of a folder, hidden ones, FIFOs and broken links included.
inline QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

}  // namespace pg::test
