#pragma once

#include <QByteArray>
#include <QString>

namespace pg::test {

// Deterministic pseudo-random content; the same size and seed give the same bytes.
QByteArray MakeTestBytes(qint64 size, quint32 seed = 1);

// The whole content of a file, or "<missing>" when it cannot be read.
QByteArray ReadFileBytes(const QString& path);
// Writes data to a new or emptied file; false when it cannot.
bool WriteFileBytes(const QString& path, const QByteArray& data);

}  // namespace pg::test
