#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace pg::test {
namespace {

TEST(TestBytes, SameSeedSameBytesOtherSeedOtherBytes) {
    EXPECT_EQ(MakeTestBytes(4099, 7), MakeTestBytes(4099, 7));
    EXPECT_NE(MakeTestBytes(64, 7), MakeTestBytes(64, 8));
    // A longer run starts with the shorter one, so sizes can differ between tests.
    EXPECT_EQ(MakeTestBytes(1000, 3).left(333), MakeTestBytes(333, 3));
}

TEST(TestBytes, SliceAtAnyOffsetMatchesTheWhole) {
    const QByteArray whole = MakeTestBytes(100, 5);
    for (const qint64 offset : {0, 1, 7, 8, 9, 63}) {
        EXPECT_EQ(MakeTestBytesAt(offset, 30, 5), whole.mid(offset, 30)) << offset;
    }
}

TEST(TestBytes, FileWrittenInChunksEqualsMemoryCopy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Not a multiple of the 1 MiB write chunk nor of the 8-byte block.
    const qint64 size = (1 << 20) * 2 + 13;
    const QString path = dir.filePath(QStringLiteral("data.bin"));
    ASSERT_TRUE(WriteTestFile(path, size, 11));
    EXPECT_EQ(QFileInfo(path).size(), size);
    EXPECT_EQ(Sha256File(path), Sha256(MakeTestBytes(size, 11)));
}

TEST(TestBytes, Sha256MatchesKnownDigests) {
    EXPECT_EQ(Sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_TRUE(Sha256File(QStringLiteral("/nonexistent/pg-file")).isEmpty());
}

}  // namespace
}  // namespace pg::test
