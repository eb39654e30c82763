#include "job/job_settings.h"
#include "job/job_store.h"
#include "job/options.h"
#include "job/settings_store.h"
#include "support/qstring_printer.h"

#include <QMap>
#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

// Values in memory; logs each key read and each "key=value" written, in order.
struct MemoryStore : SettingsStore {
    QString GetSetting(const QString& key, const QString& defaultValue) override {
        log.append(key);
        return values.value(key, defaultValue);
    }
    void SaveSetting(const QString& key, const QString& value) override {
        log.append(key + u'=' + value);
        values.insert(key, value);
    }
    QMap<QString, QString> values;
    QStringList log;
};

TEST(OptionFields, LeavingAFieldShowsTheLeadingNumber) {
    using enum OptionField;
    const std::tuple<OptionField, QString, QString> cases[] = {
        {WaitSecs, u"007"_s, u"7"_s},     {HistoryLimit, {}, u"1"_s},     {WaitSecs, {}, u"0"_s},
        {RemotePort, u"12ab"_s, u"12"_s}, {RemotePort, u"x5"_s, u"80"_s},
    };
    for (const auto& [field, text, shown] : cases) {
        EXPECT_EQ(NormalizeOptionField(field, text), shown) << text.toStdString();
    }
}

TEST(OptionFields, TypingTakesAtMostThreeDigitsAndDeletingAlwaysWorks) {
    const std::tuple<QString, QString, bool> cases[] = {
        {{}, u"1"_s, true},          {u"12"_s, u"123"_s, true},      {u"123"_s, u"1234"_s, false},
        {u"12"_s, u"12a"_s, false},  {u"1"_s, u"1 "_s, false},       {u"8080"_s, u"8080"_s, true},
        {u"8080"_s, u"808"_s, true}, {u"8080"_s, u"80801"_s, false}, {u"ab"_s, u"a"_s, true}};
    for (const auto& [before, after, accepted] : cases) {
        EXPECT_EQ(AcceptsOptionFieldEdit(before, after), accepted) << after.toStdString();
    }
}

// A stored text as a number, as the remote port and the time-out (with their
// fallbacks) and as a check box (only 0 or 1 sets one).
TEST(StoredText, GivesInt16PortTimeoutAndCheckState) {
    const std::tuple<QString, std::optional<int>, int, int, std::optional<bool>> cases[] = {
        {u" 12 "_s, 12, 12, 12, {}},  {u"2.5"_s, 2, 2, 2, {}},
        {u"3.5"_s, 4, 4, 4, {}},      {u"0"_s, 0, 80, 0, false},
        {u" 1 "_s, 1, 1, 1, true},    {u"-5"_s, -5, 80, 60, {}},
        {u"32768"_s, {}, 80, 60, {}}, {u"abc"_s, {}, 80, 60, {}},
        {{}, {}, 80, 60, {}},         {u"32767"_s, 32767, 32767, 32767, {}}};
    for (const auto& [text, value, port, secs, checked] : cases) {
        EXPECT_EQ(ToInt16(text), value) << text.toStdString();
        EXPECT_EQ(RemotePortFromOption(text), port) << text.toStdString();
        EXPECT_EQ(TimeoutSecsFromOption(text), secs) << text.toStdString();
        EXPECT_EQ(CheckStateFromText(text), checked) << text.toStdString();
    }
}

// Keys missing give the defaults; a stored check box other than 0 or 1 is left out.
TEST(JobStore, MissingKeysGiveTheDefaults) {
    MemoryStore store;
    store.values = {{u"Hide"_s, u"2"_s}, {u"User"_s, u"me"_s}};
    const JobSettingsUpdate job = ReadJobSettings(store);
    const Options options = ReadOptions(store);
    EXPECT_EQ(std::tie(job.url, job.fileTypes, job.userName, job.allTypes, job.hidePassword),
              std::tuple(QString(), u"gif,jpg,exe,htm,html"_s, u"me"_s, false, std::nullopt));
    EXPECT_EQ(std::tie(options.historyLimit, options.remotePort, options.waitSecs),
              std::tuple(u"100"_s, u"80"_s, u"60"_s));
}

TEST(JobStore, SavesEveryKeyWithCheckBoxesAsDigits) {
    MemoryStore store;
    SaveJobSettings(store, {u"http://h/p"_s, u"/dl"_s, true, u"gif"_s, u"me"_s, u"pw"_s, false});
    SaveOptions(store, Options{u"3"_s, u"8080"_s, u"0"_s});
    store.log.sort();  // which keys with which texts; their order is nobody's business
    EXPECT_EQ(store.log, (QStringList{u"All=1"_s, u"DDir=/dl"_s, u"FTypes=gif"_s, u"Hide=0"_s,
                                      u"Max=3"_s, u"Pwd=pw"_s, u"RemPort=8080"_s, u"Secs=0"_s,
                                      u"URL=http://h/p"_s, u"User=me"_s}));
}

}  // namespace
}  // namespace pg
