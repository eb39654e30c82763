#pragma once

#include <QByteArray>
#include <QString>

namespace pg::test {

// Deterministic pseudo-random content. Byte i depends only on (seed, i), so a
// file written by WriteTestFile() equals MakeTestBytes() of the same size and
// seed, and any slice can be recomputed on its own.
QByteArray MakeTestBytes(qint64 size, quint32 seed = 1);

// The bytes [offset, offset + size) of the same sequence.
QByteArray MakeTestBytesAt(qint64 offset, qint64 size, quint32 seed = 1);

// Writes MakeTestBytes(size, seed) to path in chunks, so large files never sit
// in memory. Returns false if the file cannot be written completely.
bool WriteTestFile(const QString& path, qint64 size, quint32 seed = 1);

// The whole content of a file, or "<missing>" when it cannot be read.
QByteArray ReadFileBytes(const QString& path);
// Writes data to a new or emptied file; false when it cannot.
bool WriteFileBytes(const QString& path, const QByteArray& data);

// Lowercase hex SHA-256 of data.
QByteArray Sha256(const QByteArray& data);

// Lowercase hex SHA-256 of a file's content; empty if it cannot be read.
QByteArray Sha256File(const QString& path);

}  // namespace pg::test
