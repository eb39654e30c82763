#include "scan/extract.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

const QString kPage = u"http://host/dir/page.htm?id=3"_s;

struct ValueCase {
    const char* value;
    const char* expected;  // nullptr: nothing added
    friend void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.value; }
};

// The page holds the value after a blank and " src=", quoted, closed by ">".
QStringList ExtractOne(const QString& value, bool allTypes, const QString& types) {
    const QString page = u"<img src=\""_s + value + u"\">"_s;
    return ExtractFileUrls(page, kPage, allTypes, types);
}

class TypedValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(TypedValues, ResolveAgainstThePageDirectory) {
    const auto& c = GetParam();
    const QStringList got = ExtractOne(QString::fromUtf8(c.value), false, u"jpg,gif,exe,bmp,htm"_s);
    if (c.expected == nullptr) {
        EXPECT_TRUE(got.isEmpty()) << got.join(u' ').toStdString();
    } else {
        ASSERT_EQ(got.size(), 1);
        EXPECT_EQ(got.first().toStdString(), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FileTypes, TypedValues,
    ::testing::Values(ValueCase{"images/a.gif", "http://host/dir/images/a.gif"},
                      ValueCase{"/pics/b.jpg", "http://host/dir/pics/b.jpg"},
                      ValueCase{"g.JPG", "http://host/dir/g.JPG"},
                      ValueCase{"http://other/e.exe", "http://other/e.exe"},
                      ValueCase{"dir\\file.gif", "http://host/dir/dirfile.gif"},
                      ValueCase{"pic.php?id=5.jpg", "http://host/dir/pic.php?id=5.jpg"},
                      ValueCase{"../c.zip", nullptr}, ValueCase{"index.html", nullptr},
                      ValueCase{"f.jpg?size=2", nullptr}, ValueCase{"a.shtml", nullptr}));

class AllTypesValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(AllTypesValues, ResolveWithoutTypeFilter) {
    const auto& c = GetParam();
    const QStringList got = ExtractOne(QString::fromUtf8(c.value), true, u"ignored"_s);
    if (c.expected == nullptr) {
        EXPECT_TRUE(got.isEmpty()) << got.join(u' ').toStdString();
    } else {
        ASSERT_EQ(got.size(), 1);
        EXPECT_EQ(got.first().toStdString(), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, AllTypesValues,
                         ::testing::Values(ValueCase{"../c.zip", "http://host/c.zip"},
                                           ValueCase{"./d.png", "http://host/dir/d.png"},
                                           ValueCase{"../../up/i.gif", "http://host/../up/i.gif"},
                                           ValueCase{"song.mp3", "http://host/dir/song.mp"},
                                           ValueCase{"x.js?1", "http://host/dir/x.js"},
                                           ValueCase{"index.html", "http://host/dir/index.html"},
                                           ValueCase{"javascript:open('x.gif')", nullptr},
                                           ValueCase{"MAILTO:someone@example.com", nullptr},
                                           ValueCase{"noextension", nullptr},
                                           ValueCase{".nodir", nullptr}));

TEST(ExtractFileUrls, UnquotedValueEndsAtTheClosingBracket) {
    EXPECT_EQ(ExtractFileUrls(u"<a href=h.htm>x</a>"_s, kPage, false, u"htm"_s),
              QStringList{u"http://host/dir/h.htm"_s});
}

TEST(ExtractFileUrls, BlankInsideQuotesEndsTheValue) {
    EXPECT_TRUE(ExtractFileUrls(u"<a href=\"my file.htm\">"_s, kPage, false, u"htm"_s).isEmpty());
}

TEST(ExtractFileUrls, AttributeRightAfterTheEndingBlankIsNotSeen) {
    const QString one = u"<body src=a.gif background=b.gif>"_s;
    const QString two = u"<body src=a.gif  background=b.gif>"_s;
    EXPECT_EQ(ExtractFileUrls(one, kPage, true, {}), QStringList{u"http://host/dir/a.gif"_s});
    EXPECT_EQ(ExtractFileUrls(two, kPage, true, {}),
              (QStringList{u"http://host/dir/a.gif"_s, u"http://host/dir/b.gif"_s}));
}

TEST(ExtractFileUrls, AttributeNamesIgnoreLetterCase) {
    EXPECT_EQ(ExtractFileUrls(u"<IMG SRC=\"A.gif\"><A HREF=b.gif><TD BackGround=c.gif>"_s, kPage,
                              false, u"gif"_s),
              (QStringList{u"http://host/dir/A.gif"_s, u"http://host/dir/b.gif"_s,
                           u"http://host/dir/c.gif"_s}));
}

TEST(ExtractFileUrls, DuplicatesIgnoreLetterCaseAndKeepTheFirstSpelling) {
    EXPECT_EQ(ExtractFileUrls(u"<img src=A.GIF> <img src=a.gif>"_s, kPage, false, u"gif"_s),
              QStringList{u"http://host/dir/A.GIF"_s});
}

TEST(ExtractFileUrls, AUrlThatBeginsAListedUrlIsNotAdded) {
    EXPECT_EQ(ExtractFileUrls(u"<a href=a.html> <a href=a.htm>"_s, kPage, true, {}),
              QStringList{u"http://host/dir/a.html"_s});
    EXPECT_EQ(ExtractFileUrls(u"<a href=a.htm> <a href=a.html>"_s, kPage, true, {}),
              (QStringList{u"http://host/dir/a.htm"_s, u"http://host/dir/a.html"_s}));
}

TEST(ExtractFileUrls, LineBreaksAreRemovedWithoutABlank) {
    EXPECT_TRUE(ExtractFileUrls(u"<a\r\nhref=a.gif>"_s, kPage, true, {}).isEmpty());
    EXPECT_EQ(ExtractFileUrls(u"<a\n href=a.gif>"_s, kPage, true, {}),
              QStringList{u"http://host/dir/a.gif"_s});
}

TEST(ExtractFileUrls, OnlyABlankOrBracketEndsAValue) {
    EXPECT_TRUE(ExtractFileUrls(u"<img src=a.gif\talt=x>"_s, kPage, true, {}).isEmpty());
    EXPECT_TRUE(ExtractFileUrls(u"<img src=a.gif\nalt=x>"_s, kPage, true, {}).isEmpty());
}

TEST(ExtractFileUrls, BlanksAroundTheEqualsSignHideTheAttribute) {
    EXPECT_TRUE(ExtractFileUrls(u"<img src = a.gif>"_s, kPage, true, {}).isEmpty());
}

TEST(ExtractFileUrls, TypeWithABlankNeverMatches) {
    EXPECT_TRUE(ExtractFileUrls(u"<img src=a.gif>"_s, kPage, false, u"jpg, gif"_s).isEmpty());
    EXPECT_EQ(ExtractFileUrls(u"<img src=a.gif>"_s, kPage, false, u"jpg,gif"_s).size(), 1);
}

TEST(ExtractFileUrls, ValueWithoutEndWithinTenThousandCharactersIsDropped) {
    const QString longValue = u"a.gif"_s + QString(10000, u'x');
    EXPECT_TRUE(ExtractFileUrls(u" src="_s + longValue + u" >"_s, kPage, true, {}).isEmpty());
    // The skipped stretch is not searched again: a pattern inside it is not seen.
    const QString hidden =
        u" src="_s + QString(20, u'y') + u"\tsrc=b.gif"_s + QString(9990, u'z') + u" src=c.gif>"_s;
    EXPECT_EQ(ExtractFileUrls(hidden, kPage, true, {}), QStringList{u"http://host/dir/c.gif"_s});
    // 9999 value characters and the ">" as the 10000th look: kept; one more: dropped.
    const QString justFits = u" src="_s + QString(9994, u'q') + u"a.gif>"_s;
    EXPECT_EQ(ExtractFileUrls(justFits, kPage, true, {}).size(), 1);
    const QString tooLong = u" src="_s + QString(9995, u'q') + u"a.gif>"_s;
    EXPECT_TRUE(ExtractFileUrls(tooLong, kPage, true, {}).isEmpty());
}

TEST(ExtractFileUrls, ValueRunningPastThePageEndIsDropped) {
    EXPECT_TRUE(ExtractFileUrls(u"<img src=a.gif"_s, kPage, true, {}).isEmpty());
}

TEST(PageBaseUrl, CutsQueryAndFileName) {
    const struct {
        const char* url;
        const char* base;
    } cases[] = {
        {"http://host/dir/page.htm?id=3", "http://host/dir/"},
        {"http://host/dir/", "http://host/dir/"},
        {"http://host/a?b/c?d", "http://host/a?b/"},
        {"http://host", "http://host/"},
        {"HTTP://HOST?x=1", "HTTP://HOST/"},
        {"ftp://host/pub/list.html", "ftp://host/pub/"},
        {"ftp.host/x", "ftp.host/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PageBaseUrl(QString::fromUtf8(c.url)).toStdString(), c.base) << c.url;
    }
}

TEST(ResolveFileUrl, ClimbStopsAtTheHostRoot) {
    const QString base = u"http://host/dir/"_s;
    EXPECT_EQ(ResolveFileUrl(u".../a.gif"_s, base, true, {}), u"http://host/a.gif"_s);
    EXPECT_EQ(ResolveFileUrl(u"..../a.gif"_s, base, true, {}), u"http://host/a.gif"_s);
    EXPECT_EQ(ResolveFileUrl(u"../a.gif"_s, u"http://host/"_s, true, {}), u"http://host/a.gif"_s);
    EXPECT_EQ(ResolveFileUrl(u"../a.gif"_s, u"http://host/x/y/"_s, true, {}),
              u"http://host/x/a.gif"_s);
}

TEST(ResolveFileUrl, BareHostPageJoinsBehindASlash) {
    EXPECT_EQ(ExtractFileUrls(u"<img src=a.gif>"_s, u"http://host"_s, true, {}),
              QStringList{u"http://host/a.gif"_s});
}

TEST(FileTypeList, KeepsEntriesUntrimmedAndLowerCased) {
    EXPECT_EQ(FileTypeList(u"GIF,jpg"_s), (QStringList{u"gif"_s, u"jpg"_s}));
    EXPECT_EQ(FileTypeList(u"gif,"_s), QStringList{u"gif"_s});
    EXPECT_EQ(FileTypeList(u""_s), QStringList{QString()});
    EXPECT_EQ(FileTypeList(u"a,,b"_s), (QStringList{u"a"_s, QString(), u"b"_s}));
    EXPECT_EQ(FileTypeList(u"jpg, gif"_s), (QStringList{u"jpg"_s, u" gif"_s}));
}

TEST(ResolveFileUrl, EmptyTypeEntryMatchesAValueEndingInADot) {
    EXPECT_EQ(ResolveFileUrl(u"a."_s, u"http://h/"_s, false, FileTypeList(u"gif,,jpg"_s)),
              u"http://h/a."_s);
    EXPECT_FALSE(ResolveFileUrl(u"a."_s, u"http://h/"_s, false, FileTypeList(u"gif"_s)));
}

TEST(ExtractFileUrls, ManyLinksKeepOrderAndDropRepeats) {
    QString page;
    for (int i = 0; i < 3000; ++i) {
        page += u" href=f"_s + QString::number(i % 1000) + u".gif>"_s;
    }
    const QStringList got = ExtractFileUrls(page, kPage, false, u"gif"_s);
    ASSERT_EQ(got.size(), 1000);
    EXPECT_EQ(got.first(), u"http://host/dir/f0.gif"_s);
    EXPECT_EQ(got.last(), u"http://host/dir/f999.gif"_s);
}

}  // namespace
}  // namespace pg
