#include "platform/ini_settings_store.h"
#include "support/qstring_printer.h"
#include "support/test_bytes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace pg::test {
namespace {

TEST(IniSettingsStoreTest, FileIsOwnerOnlyAndValuesReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Pagegleaner/Pagegleaner.conf"_s);
    IniSettingsStore store(path);
    EXPECT_EQ(store.GetSetting(u"Pwd"_s, u"none"_s), u"none"_s);
    const mode_t mask = ::umask(0);  // a file created without care would be readable by all
    store.SaveSetting(u"Pwd"_s, u"se,cr et"_s);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    store.SaveSetting(u"Secs"_s, u"60"_s);
    EXPECT_EQ(store.GetSetting(u"Pwd"_s, {}), u"se,cr et"_s);
    EXPECT_EQ(IniSettingsStore(path).GetSetting(u"Secs"_s, {}), u"60"_s);
    // A value with commas written by hand, without quotes.
    ASSERT_TRUE(WriteFileBytes(path, "[Options]\nExt=zip,exe\n"));
    EXPECT_EQ(store.GetSetting(u"Ext"_s, {}), u"zip,exe"_s);
}

}  // namespace
}  // namespace pg::test
