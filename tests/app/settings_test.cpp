#include "app/app_settings.h"
#include "app/option_rules.h"
#include "platform/settings_store.h"

#include "support/isolated_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

// Records the order of calls, to check the documented read and write orders.
class RecordingStore : public MemorySettingsStore {
public:
    QString GetSetting(const QString& key, const QString& def) override {
        reads.append(key);
        return MemorySettingsStore::GetSetting(key, def);
    }
    void SaveSetting(const QString& key, const QString& value) override {
        writes.append(key);
        MemorySettingsStore::SaveSetting(key, value);
    }
    QStringList reads;
    QStringList writes;
};

TEST(Settings, FirstRunGivesTheDefaults) {
    RecordingStore store;
    const JobSettingsUpdate job = ReadJobSettings(store);
    EXPECT_EQ(job.URL, QString());
    EXPECT_EQ(job.DDir, QString());
    EXPECT_EQ(job.All, 0);
    EXPECT_EQ(job.FTypes, u"gif,jpg,exe,htm,html"_s);
    EXPECT_EQ(job.User, QString());
    EXPECT_EQ(job.Pwd, QString());
    EXPECT_EQ(job.Hide, 0);
    const OptionValues options = ReadOptionValues(store);
    EXPECT_EQ(options.Max, u"100"_s);
    EXPECT_EQ(options.RemPort, u"80"_s);
    EXPECT_EQ(options.Secs, u"60"_s);
    EXPECT_EQ(store.reads, (QStringList{u"URL"_s, u"DDir"_s, u"All"_s, u"FTypes"_s, u"User"_s,
                                        u"Pwd"_s, u"Hide"_s, u"Max"_s, u"RemPort"_s, u"Secs"_s}));
}

TEST(Settings, WritesJobAndOptionsInTheirOrder) {
    RecordingStore store;
    JobSettings job{u"http://h/"_s, u"/tmp/d"_s, 1, u"gif"_s, u"u"_s, u"p"_s, 1};
    SaveJobSettings(store, job);
    EXPECT_EQ(store.writes, (QStringList{u"URL"_s, u"DDir"_s, u"All"_s, u"FTypes"_s, u"User"_s,
                                         u"Pwd"_s, u"Hide"_s}));
    EXPECT_EQ(store.values[u"All"_s], u"1"_s);
    store.writes.clear();
    SaveOptionValues(store, OptionValues{u"7"_s, u"8080"_s, u"0"_s});
    EXPECT_EQ(store.writes, (QStringList{u"Max"_s, u"RemPort"_s, u"Secs"_s}));
}

TEST(Settings, CheckBoxTextThatIsNotANumberLeavesTheBoxAlone) {
    MemorySettingsStore store;
    store.values[u"All"_s] = u"yes"_s;
    store.values[u"Hide"_s] = u"7"_s;
    const JobSettingsUpdate job = ReadJobSettings(store);
    EXPECT_FALSE(job.All.has_value());
    EXPECT_FALSE(job.Hide.has_value());
    store.values[u"All"_s] = u"1"_s;
    EXPECT_EQ(ReadJobSettings(store).All, 1);
}

TEST(IniSettingsStore, RoundTripIsOwnerOnlyAndKeepsCommas) {
    const QString path = test::IsolatedRoot() + u"/ini-roundtrip/Pagegleaner.conf"_s;
    QFile::remove(path);
    {
        IniSettingsStore store(path);
        EXPECT_EQ(store.GetSetting(u"FTypes"_s, u"def"_s), u"def"_s);
        JobSettings job{u"http://h/a b?x=1&y=2"_s,
                        u"/tmp/dir with blank"_s,
                        1,
                        u"gif,jpg,exe"_s,
                        u"user"_s,
                        u"p=w;d#\"1"_s,
                        0};
        SaveJobSettings(store, job);
    }
    const auto perms = QFileInfo(path).permissions();
    EXPECT_TRUE(perms.testFlags(QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_FALSE(perms &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
    IniSettingsStore again(path);
    const JobSettingsUpdate job = ReadJobSettings(again);
    EXPECT_EQ(job.URL, u"http://h/a b?x=1&y=2"_s);
    EXPECT_EQ(job.DDir, u"/tmp/dir with blank"_s);
    EXPECT_EQ(job.All, 1);
    EXPECT_EQ(job.FTypes, u"gif,jpg,exe"_s);
    EXPECT_EQ(job.Pwd, u"p=w;d#\"1"_s);
}

TEST(IniSettingsStore, HandWrittenListValueReadsAsText) {
    const QString path = test::IsolatedRoot() + u"/ini-hand/Pagegleaner.conf"_s;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Options]\nFTypes=gif,jpg,png\nMax=50\n");
    file.close();
    IniSettingsStore store(path);
    EXPECT_EQ(store.GetSetting(u"FTypes"_s, {}), u"gif,jpg,png"_s);
    EXPECT_EQ(store.GetSetting(u"Max"_s, {}), u"50"_s);
}

TEST(IniSettingsStore, ExistingReadableFileBecomesOwnerOnly) {
    const QString path = test::IsolatedRoot() + u"/ini-perm/Pagegleaner.conf"_s;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QFile::setPermissions(
        path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    IniSettingsStore store(path);
    store.SaveSetting(u"Pwd"_s, u"secret"_s);
    EXPECT_FALSE(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther));
}

struct FieldCase {
    OptionField field;
    const char* typed;
    const char* shown;
};

TEST(OptionRules, LeavingAFieldNormalizesItsNumber) {
    const FieldCase cases[] = {
        {OptionField::Max, "", "1"},        {OptionField::Max, "0", "1"},
        {OptionField::Max, "007", "7"},     {OptionField::Max, "100", "100"},
        {OptionField::RemPort, "", "80"},   {OptionField::RemPort, "000", "80"},
        {OptionField::RemPort, "21", "21"}, {OptionField::Secs, "", "0"},
        {OptionField::Secs, "050", "50"},   {OptionField::Secs, "0", "0"},
        {OptionField::Secs, "12a", "12"},   {OptionField::Secs, "a12", "0"},
        {OptionField::Max, "abc", "1"},     {OptionField::RemPort, "8x", "8"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizeOptionField(c.field, QString::fromUtf8(c.typed)).toStdString(), c.shown)
            << "typed '" << c.typed << "'";
    }
}

TEST(OptionRules, BatchFallsBackWhenAnOptionIsNotAUsableNumber) {
    EXPECT_EQ(RemotePortFromOption(u"8080"_s), 8080);
    EXPECT_EQ(RemotePortFromOption(u" 81 "_s), 81);
    EXPECT_EQ(RemotePortFromOption(u"abc"_s), 80);
    EXPECT_EQ(RemotePortFromOption(u""_s), 80);
    EXPECT_EQ(RemotePortFromOption(u"40000"_s), 80);  // beyond 16 bits
    EXPECT_EQ(RemotePortFromOption(u"0"_s), 80);
    EXPECT_EQ(TimeoutSecsFromOption(u"0"_s), 0);
    EXPECT_EQ(TimeoutSecsFromOption(u"999"_s), 999);
    EXPECT_EQ(TimeoutSecsFromOption(u"x"_s), 60);
    EXPECT_EQ(TimeoutSecsFromOption(u"-5"_s), 60);
    EXPECT_EQ(ToInt16(u"2.5"_s), 2);  // a fraction rounds to even
    EXPECT_EQ(ToInt16(u"3.5"_s), 4);
    EXPECT_EQ(ToInt16(u"32767"_s), 32767);
    EXPECT_FALSE(ToInt16(u"32768"_s).has_value());
}

}  // namespace
}  // namespace pg
