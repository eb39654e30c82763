#include "scan/extract.h"
#include "scan/file_list.h"
#include "scan/page_fetch.h"
#include "scan/page_scan.h"
#include "scan/page_scanner.h"
#include "scan/prefix_index.h"

#include <gtest/gtest.h>

#include <QStringEncoder>

#include <random>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace pg {
namespace {

const QString kPage = u"http://host/dir/page.htm?id=3"_s;
const QString kTypes = u"jpg,gif,exe,bmp,htm"_s;

// The page scanner on a body given in pieces of the sizes `piece` draws.
QStringList Scanned(const QByteArray& body, const QByteArray& contentType, const QString& pageUrl,
                    bool allTypes, const QString& types, const std::function<int()>& piece,
                    bool& sawText) {
    PageScanner scanner(pageUrl, allTypes, types);
    for (qsizetype at = 0, size = 0; at < body.size(); at += size) {
        size = std::min<qsizetype>(piece(), body.size() - at);
        scanner.bytes(QByteArrayView(body).sliced(at, size), contentType);
    }
    const QStringList urls = scanner.finish();
    sawText = scanner.sawText();
    return urls;
}

// ExtractFileUrls, checked against the page scanner fed three bytes at a time.
QStringList Extract(const QString& page, const QString& pageUrl, bool allTypes,
                    const QString& types) {
    const QStringList urls = ExtractFileUrls(page, pageUrl, allTypes, types);
    bool sawText = false;
    EXPECT_EQ(Scanned(
                  page.toUtf8(), {}, pageUrl, allTypes, types, [] { return 3; }, sawText),
              urls);
    return urls;
}

TEST(ExtractFileUrls, ValueAfterSrcGivesOneEntryOrNone) {
    // all types, the value as it stands after " src=", the entry (empty: none)
    const std::tuple<bool, QString, QString> cases[] = {
        {false, uR"("images/a.gif")"_s, u"http://host/dir/images/a.gif"_s},
        {false, uR"("/pics/b.jpg")"_s, u"http://host/dir/pics/b.jpg"_s},
        {false, uR"("g.JPG")"_s, u"http://host/dir/g.JPG"_s},
        {false, u"h.htm"_s, u"http://host/dir/h.htm"_s},
        {false, uR"("http://other/e.exe")"_s, u"http://other/e.exe"_s},
        {false, uR"("dir\file.gif")"_s, u"http://host/dir/dirfile.gif"_s},
        {false, uR"("pic.php?id=5.jpg")"_s, u"http://host/dir/pic.php?id=5.jpg"_s},
        {false, uR"("../c.zip")"_s, {}},
        {false, uR"("index.html")"_s, {}},
        {false, uR"("f.jpg?size=2")"_s, {}},
        {false, uR"("a.shtml")"_s, {}},
        {false, uR"("my file.htm")"_s, {}},
        {true, uR"("../c.zip")"_s, u"http://host/c.zip"_s},
        {true, uR"("./d.png")"_s, u"http://host/dir/d.png"_s},
        {true, uR"("../../up/i.gif")"_s, u"http://host/../up/i.gif"_s},
        {true, uR"("song.mp3")"_s, u"http://host/dir/song.mp"_s},
        {true, uR"("x.js?1")"_s, u"http://host/dir/x.js"_s},
        {true, uR"("index.html")"_s, u"http://host/dir/index.html"_s},
        {true, uR"("a.c_d~")"_s, u"http://host/dir/a.c_d"_s},
        {true, u"\"javascript:open('x.gif')\""_s, {}},
        {true, uR"("MAILTO:someone@example.com")"_s, {}},
    };
    for (const auto& [allTypes, value, entry] : cases) {
        const QString page = u"<img src="_s + value + u'>';
        EXPECT_EQ(Extract(page, kPage, allTypes, kTypes).join(u' '), entry) << value.toStdString();
    }
}

TEST(ExtractFileUrls, WalkOverThePage) {
    // page source, all types, file types, the entries' names after http://host/dir/
    const std::tuple<QString, bool, QString, QString> cases[] = {
        {u"<img src=a.gif background=b.gif>"_s, false, kTypes, u"a.gif"_s},
        {u"<img src=a.gif  background=b.gif>"_s, false, kTypes, u"a.gif b.gif"_s},
        {u"<IMG SRC=\"a.gif\">"_s, false, kTypes, u"a.gif"_s},
        {u"<img src=A.GIF><img src=a.gif>"_s, false, kTypes, u"A.GIF"_s},
        {u"<a href=a.html><a href=a.htm>"_s, true, {}, u"a.html"_s},
        {u"<a href=a.htm><a href=a.html>"_s, true, {}, u"a.htm a.html"_s},
        {u"<a\nhref=a.gif>"_s, false, kTypes, {}},
        {u"<a\r\n href=a.gif>"_s, false, kTypes, u"a.gif"_s},
        {u"<img src=a.gif\talt=x>"_s, false, kTypes, {}},
        {u"<img src=a.gif\nalt=x>"_s, false, kTypes, {}},
        {u"<img src = \"a.gif\">"_s, false, kTypes, {}},
        {u"<img src=a.gif>"_s, false, u"jpg, gif"_s, {}},
        {u"<img src=a.zip>"_s, true, u"gif"_s, u"a.zip"_s},
        {u"<img src=a.gif"_s, false, kTypes, {}},
        {u"<img src=..../x.gif>"_s, true, {}, u"http://host/x.gif"_s},  // a climb stops at the root
    };
    for (const auto& [source, allTypes, types, names] : cases) {
        QStringList entries = Extract(source, kPage, allTypes, types);
        EXPECT_EQ(entries.replaceInStrings(u"http://host/dir/"_s, QString()).join(u' '), names)
            << source.toStdString();
    }
}

TEST(ExtractFileUrls, BaseIsThePageDirectory) {
    const std::pair<QString, QString> cases[] = {
        {kPage, u"http://host/dir/"_s},
        {u"http://host"_s, u"http://host/"_s},
        {u"http://host?q=a/b"_s, u"http://host/"_s},
        {u"http://host/a/b?x/y?z"_s, u"http://host/a/b?x/"_s},
    };
    for (const auto& [page, base] : cases) {
        EXPECT_EQ(PageBaseUrl(page), base) << page.toStdString();
    }
}

TEST(ExtractFileUrls, ManyLinksKeepFirstOccurrenceOrderWithPrefixDuplicates) {
    // A.HTM and a.ht begin a listed a.htm and are left out; the longer a.html is added.
    QString page;
    QStringList expected;
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        page += u"<a href=d%1/a.htm>"_s.arg(i);
        expected.append(u"http://host/dir/d%1/a.htm"_s.arg(i));
    }
    for (int i = n - 1; i >= 0; --i) {
        page += u"<a href=D%1/A.HTM> <a href=d%1/a.ht> <a href=d%1/a.html>"_s.arg(i);
        expected.append(u"http://host/dir/d%1/a.html"_s.arg(i));
    }
    EXPECT_EQ(Extract(page, kPage, true, {}), expected);
}

// A seeded page of the walk's hard cases: patterns cut by line breaks, quotes,
// backslashes, tabs, values about 10000 characters long, non-ASCII text and
// letter cases that fold alike, in UTF-8 (some bytes invalid), UTF-16 with a
// byte-order mark, or Latin-1 named by the header or a <meta> tag.
QByteArray NastyPage(std::mt19937& random, int pieces, QByteArray& contentType) {
    static const QStringList patterns = u" href=| SRC=| background=| hReF="_s.split(u'|');
    static const QStringList values =
        u"a.gif|A.GIF|a.htm|a.html|../x.png|./k.Gif|.../y.jpg|http://o/e.exe|mailto:m.gif|"
        u"JavaScript:j.gif|日本.png|\U0001F600.gif|\u212A.gif|k.gif|\u1E9E.gif|\u00DF.gif|"
        u"\u017F.gif|s.gif|d\\x.jpg|x.js?1|p.php?id=5.jpg|/q.jpg|f.jpg?s=2|t.HtmA|ab"_s.split(u'|');
    static const QStringList junk = u"=|\"|'|\\| |>|\t|é|.|/|<p>"_s.split(u'|');
    const auto pick = [&random](const QStringList& list) { return list[random() % list.size()]; };
    QString text;
    for (int n = pieces; n > 0; --n) {
        if (random() % 40 == 0) {  // a value near the 10000 characters a value may take
            text += u" src="_s + QString(9990 + static_cast<int>(random() % 20), u'a') + u".gif"_s;
        } else if (random() % 2) {
            const QString quote = random() % 2 ? u"\""_s : QString();
            const QString value = random() % 3 ? pick(values) : u"f%1.Gif"_s.arg(random() % 1000);
            text += pick(patterns) + quote + value + quote + pick(junk);
        } else {
            text += pick(junk);
        }
        if (random() % 8 == 0) {
            text.insert(random() % (text.size() + 1), random() % 2 ? u'\n' : u'\r');
        }
    }
    contentType = random() % 2 ? "text/html" : "";
    switch (random() % 3) {
        case 0: {
            QByteArray bytes =
                (random() % 2 || text.isEmpty() ? "\xEF\xBB\xBF" : "") + text.toUtf8();
            for (int n = random() % 2 ? static_cast<int>(bytes.size() / 20) : 0; n > 0; --n) {
                const char* bad[] = {"\xC3", "\xFF", "\xE2\x82", "\xF4\x8F", "\xE2\xF0\xC3\x9F"};
                bytes.insert(random() % (bytes.size() + 1), bad[random() % 5]);
            }
            return bytes;
        }
        case 1:
            contentType = "";
            return QStringEncoder(
                random() % 2 ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                QStringConverter::Flag::WriteBom)(text);
        default:
            contentType = random() % 2 ? "text/html; charset=ISO-8859-1" : "";
            return (contentType.isEmpty() ? "<meta charset=\"windows-1252\">" : "") +
                   text.toLatin1();
    }
}

TEST(PageScanner, GivesWhatExtractFileUrlsGivesOnTheWholeText) {
    const QString types = u"gif,png,,jpg,htma"_s;
    std::mt19937 random(20240611);
    for (int page = 0; page < 400; ++page) {
        QByteArray
            contentType;  // every 25th page has no text, every other one is cut at every byte
        const QByteArray body = NastyPage(random, page % 25 ? random() % 300 : 0, contentType);
        const auto piece = [&random, page] { return page % 2 ? 1 : 1 + random() % 9000; };
        const bool allTypes = random() % 2;
        const QString pageUrl = random() % 4 ? kPage : u"http://Host"_s;
        const QString text = DecodePageText(body, contentType);
        bool sawText = false;
        EXPECT_EQ(Scanned(body, contentType, pageUrl, allTypes, types, piece, sawText),
                  ExtractFileUrls(text, pageUrl, allTypes, types))
            << "page " << page;
        EXPECT_EQ(sawText, !text.isEmpty()) << "page " << page;
    }
}

TEST(CaseInsensitivePrefixIndex, KeepsEntriesLongerThanAnEdgeLabel) {
    const QString url = u"http://h/"_s + QString(70000, u'a') + u".gif"_s, part = url.left(66000);
    const QString texts[] = {url, part, url.toUpper(), url + u'x', part + u'b', part + u'B'};
    const bool added[] = {true, false, false, true, true, false};  // no entry begins with it
    CaseInsensitivePrefixIndex index;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(index.addUnlessListed(texts[i]), added[i]) << i;
    }
}

// One entry per mark; every even entry is a gif, in either letter case.
FileList WithMarks(const QString& marks) {
    const QString types[] = {u"gif"_s, u"jpg"_s, u"GIF"_s, u"jpg"_s};
    QStringList entries;
    for (int i = 0; i < marks.size(); ++i) {
        entries.append(u"http://h/f%1.%2"_s.arg(i).arg(types[i % 4]));
    }
    FileList list;
    list.setEntries(entries);
    for (int i = 0; i < marks.size(); ++i) {
        list.setChecked(i, marks[i] == u'1');
    }
    return list;
}

QString Marks(const FileList& list) {
    QString marks;
    for (int i = 0; i < list.count(); ++i) {
        marks += list.isChecked(i) ? u'1' : u'0';
    }
    return marks;
}

auto Tie(const SelectionOutcome& o) {
    return std::tie(o.statusText, o.downloadEnabled, o.makeFirstCurrent, o.focusSearchText);
}

// A command that walked the list ends on its first entry; one that refused touches nothing.
SelectionOutcome Walked(const QString& status, bool downloadEnabled) {
    return {status, downloadEnabled, true, false};
}
SelectionOutcome Refused(const QString& status, bool focusSearchText = false) {
    return {status, std::nullopt, false, focusSearchText};
}

using Command = std::function<SelectionOutcome(FileList&, const FileList::ProgressFn&)>;

Command Containing(const QString& text) {
    return [text](FileList& list, const auto& p) { return list.SelectAllContaining(text, p); };
}

TEST(FileList, SelectionCommands) {
    const Command all = [](FileList& list, const auto& p) { return list.SelectAll(p); };
    const Command none = [](FileList& list, const auto& p) { return list.UnselectAll(p); };
    const QString three = u"110001000000"_s, sel = u"Selecting files..."_s;
    // marks before, command, outcome, progress text, marks after
    const std::tuple<QString, Command, SelectionOutcome, QString, QString> cases[] = {
        {three, all, Walked(u"12 files selected"_s, true), sel, u"111111111111"_s},
        {three, none, Walked(u"12 files unselected"_s, false), u"Unselecting files..."_s,
         u"000000000000"_s},
        {three, Containing(u"GIF"_s), Walked(u"6 files selected"_s, true), sel, u"111011101010"_s},
        {three, Containing(u"zip"_s), Walked(u"0 files selected"_s, true), sel, three},
        {three, Containing({}), Refused(u"Please specify text to search for"_s, true), {}, three},
        {{}, all, Refused(u"No files to select"_s), {}, {}},
        {{}, none, Refused(u"No files to unselect"_s), {}, {}},
        {{}, Containing(u"gif"_s), Refused(u"No files to select"_s), {}, {}},
    };
    for (const auto& [before, run, outcome, progress, after] : cases) {
        FileList list = WithMarks(before);
        QString shown;
        EXPECT_EQ(Tie(run(list, [&shown](const QString& text) { shown += text; })), Tie(outcome));
        EXPECT_EQ(shown, progress) << outcome.statusText.toStdString();
        EXPECT_EQ(Marks(list), after) << outcome.statusText.toStdString();
        EXPECT_EQ(list.checkedCount(), after.count(u'1'));
    }
}

TEST(FileList, CheckChangedCountsCheckedEntries) {
    FileList list = WithMarks(u"000"_s);
    list.setChecked(1, true);
    EXPECT_EQ(Tie(list.CheckChanged()), Tie({u"1 files selected"_s, true, false, false}));
    list.setChecked(1, false);
    EXPECT_EQ(Tie(list.CheckChanged()), Tie({u"0 files selected"_s, false, false, false}));
}

// Gives one prepared answer and records what was asked.
class FakeFetcher : public PageFetcher {
public:
    PageFetchResult FetchPageSource(const QString& url, const QString& userName,
                                    const QString& password) override {
        requests.append(url + u' ' + userName + u' ' + password);
        return answer;
    }
    PageFetchResult answer;
    QStringList requests;
};

TEST(ScanPage, EndsWithOneStatusPerOutcome) {
    using enum PageScanStatus;
    const QString page = u"HTTP://host/p.htm"_s, gif = u"<img src=a.gif>"_s;
    // url, answered, HTTP status, page source, scan status, file URLs
    const std::tuple<QString, bool, int, QString, PageScanStatus, QString> cases[] = {
        {u"www.host/p.htm"_s, true, 200, gif, BadPrefix, {}},
        {page, false, 200, gif, RequestFailed, {}},
        {page, true, 404, gif, RequestFailed, {}},
        {page, true, 200, {}, EmptyPage, {}},
        {page, true, 200, u"<img src=a.jpg>"_s, NoneFound, {}},
        {u"FTP://host/d/"_s, true, 200, gif, Extracted, u"FTP://host/d/a.gif"_s},
    };
    for (const auto& [url, answered, status, source, scanStatus, urls] : cases) {
        FakeFetcher fetcher;
        fetcher.answer = {answered, status, source, u"failure"_s, url};
        const PageScanResult result = ScanPage(fetcher, {url, u"me"_s, u"pw"_s, false, u"gif"_s});
        SCOPED_TRACE(PageScanStatusText(scanStatus).toStdString());
        EXPECT_EQ(result.status, scanStatus);
        EXPECT_EQ(result.urls.join(u' '), urls);
        EXPECT_EQ(result.failureDetail, scanStatus == RequestFailed ? u"failure"_s : QString());
        EXPECT_EQ(fetcher.requests.join(u','),
                  scanStatus == BadPrefix ? QString() : url + u" me pw"_s);
    }
}

TEST(ScanPage, ExtractedCountTextHasNoSingular) {
    EXPECT_EQ(ExtractedCountText(0), u"No extracted file URLs"_s);
    EXPECT_EQ(ExtractedCountText(1), u"1 extracted file URLs"_s);
    EXPECT_EQ(ExtractedCountText(12), u"12 extracted file URLs"_s);
}

}  // namespace
}  // namespace pg
