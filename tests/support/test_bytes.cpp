#include "support/test_bytes.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace pg::test {

namespace {

// SplitMix64 finalizer: a counter-based generator, so any block of eight
// bytes is computed directly from its index.
quint64 mix(quint64 x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

void fill(char* out, qint64 offset, qint64 size, quint32 seed) {
    const quint64 key = quint64(seed) * 0xd6e8feb86659fd93ULL;
    qint64 i = 0;
    while (i < size) {
        const qint64 pos = offset + i;
        const quint64 word = mix(quint64(pos / 8) ^ key);
        for (int b = int(pos % 8); b < 8 && i < size; ++b, ++i) {
            out[i] = char((word >> (8 * b)) & 0xff);
        }
    }
}

}  // namespace

QByteArray MakeTestBytesAt(qint64 offset, qint64 size, quint32 seed) {
    QByteArray bytes(qMax<qint64>(size, 0), Qt::Uninitialized);
    fill(bytes.data(), offset, bytes.size(), seed);
    return bytes;
}

QByteArray MakeTestBytes(qint64 size, quint32 seed) {
    return MakeTestBytesAt(0, size, seed);
}

bool WriteTestFile(const QString& path, qint64 size, quint32 seed) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    constexpr qint64 kChunk = 1 << 20;
    for (qint64 offset = 0; offset < size; offset += kChunk) {
        const QByteArray chunk = MakeTestBytesAt(offset, std::min(kChunk, size - offset), seed);
        if (file.write(chunk) != chunk.size()) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}

QByteArray Sha256(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QByteArray Sha256File(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        return {};
    }
    return hash.result().toHex();
}

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteFileBytes(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

}  // namespace pg::test
