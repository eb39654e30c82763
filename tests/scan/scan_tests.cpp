#include "scan/file_list.h"
#include "scan/found_urls.h"
#include "scan/page_fetch.h"
#include "scan/page_scan.h"
#include "scan/page_scanner.h"
#include "scan/scan_rules.h"
#include "support/page_runs.h"
#include "support/qstring_printer.h"
#include "support/reference_scan.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <QStringEncoder>

#include <random>

using namespace Qt::StringLiterals;

namespace pg {

using test::ExtractFileUrls;  // the reference walk the scanner is checked against

namespace {

const QString kPage = u"http://host/dir/page.htm?id=3"_s;

// Feeds the body to the scanner in pieces of the sizes `piece` draws.
QStringList Scanned(PageScanner& scanner, const QByteArray& body, const QByteArray& contentType,
                    const std::function<int()>& piece) {
    for (qsizetype at = 0, size = 0; at < body.size(); at += size) {
        size = std::min<qsizetype>(piece(), body.size() - at);
        scanner.bytes(QByteArrayView(body).sliced(at, size), contentType);
    }
    return scanner.finish().toStringList();
}

// ExtractFileUrls on kPage, checked against the page scanner fed three bytes at
// a time, with the entries' names after http://host/dir/.
QString Extract(const QString& page, bool allTypes,
                const QString& types = u"jpg,gif,exe,bmp,htm"_s) {
    QStringList urls = ExtractFileUrls(page, kPage, allTypes, types);
    PageScanner scanner(kPage, allTypes, types);
    EXPECT_EQ(Scanned(scanner, page.toUtf8(), {}, [] { return 3; }), urls);
    return urls.replaceInStrings(u"http://host/dir/"_s, QString()).join(u' ');
}

// The entries found with the file types jpg,gif,exe,bmp,htm and with all types;
// then the base that values are joined to.
TEST(ExtractFileUrls, EdgeCasesOfTheWalkAndTheBase) {
    const std::tuple<QString, QString, QString> cases[] = {
        // one value after " src="
        {uR"(<img src="images/a.gif">)"_s, u"images/a.gif"_s, u"images/a.gif"_s},
        {uR"(<img src="/pics/b.jpg">)"_s, u"pics/b.jpg"_s, u"pics/b.jpg"_s},
        {uR"(<img src="g.JPG">)"_s, u"g.JPG"_s, u"g.JPG"_s},
        {uR"(<img src=h.htm>)"_s, u"h.htm"_s, u"h.htm"_s},
        {uR"(<img src="http://other/e.exe">)"_s, u"http://other/e.exe"_s, u"http://other/e.exe"_s},
        {uR"(<img src="dir\file.gif">)"_s, u"dirfile.gif"_s, u"dirfile.gif"_s},
        {uR"(<img src="pic.php?id=5.jpg">)"_s, u"pic.php?id=5.jpg"_s, u"pic.php?id=5.jpg"_s},
        {uR"(<img src="../c.zip">)"_s, {}, u"http://host/c.zip"_s},
        {uR"(<img src="index.html">)"_s, {}, u"index.html"_s},
        {uR"(<img src="f.jpg?size=2">)"_s, {}, {}},
        {uR"(<img src="a.shtml">)"_s, {}, {}},
        {uR"(<img src="my file.htm">)"_s, {}, {}},
        {uR"(<img src="./d.png">)"_s, {}, u"d.png"_s},
        {u"<img src=../../up/i.gif>"_s, u"http://host/../up/i.gif"_s, u"http://host/../up/i.gif"_s},
        {uR"(<img src="song.mp3">)"_s, {}, u"song.mp3"_s},
        {uR"(<img src="archive.7z">)"_s, {}, u"archive.7z"_s},
        {uR"(<img src="clip.h264">)"_s, {}, u"clip.h264"_s},
        {uR"(<img src="a.7z;v">)"_s, {}, u"a.7z"_s},
        {uR"(<img src="b.m4#t">)"_s, {}, u"b.m4"_s},
        {uR"(<img src="c.2?1">)"_s, {}, u"c.2"_s},
        {uR"(<img src="x.js?1">)"_s, {}, u"x.js"_s},
        {uR"(<img src="a.c_d~">)"_s, {}, u"a.c_d"_s},
        {u"<img src=\"javascript:open('x.gif')\">"_s, {}, {}},
        {uR"(<img src="MAILTO:someone@example.com">)"_s, {}, {}},
        // the walk over the page
        {u"<img src=a.gif background=b.gif>"_s, u"a.gif"_s, u"a.gif"_s},
        {u"<img src=a.gif  background=b.gif>"_s, u"a.gif b.gif"_s, u"a.gif b.gif"_s},
        {u"<IMG SRC=\"a.gif\">"_s, u"a.gif"_s, u"a.gif"_s},
        {u"<img src=A.GIF><img src=a.gif>"_s, u"A.GIF"_s, u"A.GIF"_s},
        {u"<a href=a.html><a href=a.htm>"_s, u"a.htm"_s, u"a.html"_s},
        {u"<a href=a.htm><a href=a.html>"_s, u"a.htm"_s, u"a.htm a.html"_s},
        {u"<a\nhref=a.gif>"_s, {}, {}},
        {u"<a\r\n href=a.gif>"_s, u"a.gif"_s, u"a.gif"_s},
        {u"<img src=a.gif\talt=x>"_s, {}, {}},
        {u"<img src=a.gif\nalt=x>"_s, {}, {}},
        {u"<img src = \"a.gif\">"_s, {}, {}},
        {u"<img src=a.gif"_s, {}, {}},
        // a climb stops at the root
        {u"<img src=..../x.gif>"_s, u"http://host/x.gif"_s, u"http://host/x.gif"_s}};
    for (const auto& [source, typed, all] : cases) {
        EXPECT_EQ(Extract(source, false), typed) << source.toStdString();
        EXPECT_EQ(Extract(source, true), all) << source.toStdString();
    }
    EXPECT_EQ(Extract(u"<img src=a.gif>"_s, false, u"jpg, gif"_s), QString());  // not trimmed
    EXPECT_EQ(Extract(u"<a href=s.mp3> <a href=v.MP4> <a href=a.7z> <a href=c.h264>"_s, false,
                      u"mp3,mp4,7z"_s),
              u"s.mp3 v.MP4 a.7z"_s);
    QStringList bases;
    for (const QString& page :
         {kPage, u"http://host"_s, u"http://host?q=a/b"_s, u"http://host/a/b?x/y?z"_s}) {
        bases.append(PageBaseUrl(page));
    }
    EXPECT_EQ(bases.join(u' '), u"http://host/dir/ http://host/ http://host/ http://host/a/b?x/"_s);
}

// 2000 links, then in reverse order links that begin a listed one (left out)
// and links that a listed one begins (added).
TEST(ExtractFileUrls, ManyLinksKeepFirstOccurrenceOrderWithPrefixDuplicates) {
    QString page, expected;
    for (int i = 0; i < 4000; ++i) {
        const QString d = u"d%1/a.htm"_s.arg(i < 2000 ? i : 3999 - i);
        page += i < 2000
                    ? u"<a href=%1>"_s.arg(d)
                    : u"<a href=%1> <a href=%2> <a href=%3l>"_s.arg(d.toUpper(), d.chopped(1), d);
        expected += u' ' + d + (i < 2000 ? u""_s : u"l"_s);
    }
    EXPECT_EQ(Extract(page, true, {}), expected.mid(1));
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
        u"\u017F.gif|s.gif|d\\x.jpg|x.js?1|p.php?id=5.jpg|/q.jpg|f.jpg?s=2|t.HtmA|ab|s.mp3|"
        u"a.7z;v|c.h264|v.Mp4|\xD83D.gif|\xDC00.GIF|\uFEFFhttp://o/f.gif"_s.split(u'|');
    static const QStringList junk = u"=|\"|'|\\| |>|\t|é|.|/|<p>"_s.split(u'|');
    const auto pick = [&random](const QStringList& list) { return list[random() % list.size()]; };
    QString text;
    for (int n = pieces; n > 0; --n) {
        if (random() % 40 == 0) {  // a value near the 10000 characters a value may take
            text += u" src="_s + QString(9990 + static_cast<int>(random() % 20), u'a') + u".gif"_s;
        } else if (random() % 2) {
            const QString quote = random() % 2 ? u"\""_s : QString();
            const QString value = random() % 3 ? pick(values) : u"f%1.Gif"_s.arg(random() % 1000);
            text += pick(patterns) + quote + value + quote;
        }
        text += pick(junk);
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
            return QStringEncoder(random() % 2 ? "UTF-16LE" : "UTF-16BE",
                                  QStringConverter::Flag::WriteBom)(text);
        default:
            contentType = random() % 2 ? "text/html; charset=ISO-8859-1" : "";
            return (contentType.isEmpty() ? "<meta charset=\"windows-1252\">" : "") +
                   text.toLatin1();
    }
}

// Every 25th page has no text; every other page is cut at every byte.
TEST(PageScanner, GivesWhatExtractFileUrlsGivesOnTheWholeText) {
    const QString types = u"gif,png,,jpg,htma,mp4,7z"_s;
    std::mt19937 random(20240611);
    for (int page = 0; page < 400; ++page) {
        QByteArray contentType;
        const QByteArray body = NastyPage(random, page % 25 ? random() % 300 : 0, contentType);
        const auto piece = [&random, page] { return page % 2 ? 1 : 1 + random() % 9000; };
        const bool allTypes = random() % 2;
        const QString pageUrl = random() % 4 ? kPage : u"http://Host"_s;
        const QString text = DecodePageText(body, contentType);
        PageScanner scanner(pageUrl, allTypes, types);
        EXPECT_EQ(Scanned(scanner, body, contentType, piece),
                  ExtractFileUrls(text, pageUrl, allTypes, types))
            << "page " << page;
        EXPECT_EQ(scanner.sawText(), !text.isEmpty()) << "page " << page;
    }
}

// Each URL is listed unless one found before it begins with it, letter case
// folded as Qt folds it; URLs past the 16 a sort step takes, and longer than
// seven bytes a level, go the same way.
TEST(FoundUrls, ListsAUrlUnlessOneFoundBeforeBeginsWithIt) {
    const QString longUrl = u"http://h/"_s + QString(70000, u'a') + u".gif"_s;
    QStringList many, manyListed;
    for (int i = 0; i < 40; ++i) {
        many += {u"http://h/d/f%1.gif"_s.arg(i % 20), u"HTTP://H/D/F%1.GIF"_s.arg(39 - i)};
        if (i < 20) {
            manyListed += {u"http://h/d/f%1.gif"_s.arg(i), u"HTTP://H/D/F%1.GIF"_s.arg(39 - i)};
        }
    }
    for (int i = 0; i < 40; ++i) {
        many.append(u"http://h/d/F%1.gi"_s.arg(i));
    }
    many += {u"http://h/d/f"_s, u"http://h/d/f1.gifx"_s};
    manyListed.append(u"http://h/d/f1.gifx"_s);
    // found, listed
    const std::pair<QStringList, QStringList> cases[] = {
        {{u"a.html"_s, u"A.HTM"_s, u"a.htm"_s, u"a.h"_s}, {u"a.html"_s}},
        {{u"a.h"_s, u"a.htm"_s, u"A.HTML"_s, u"a.html"_s}, {u"a.h"_s, u"a.htm"_s, u"A.HTML"_s}},
        {{u"b/x.gif"_s, u"b/x.gifs"_s, u"b/x.gif"_s, u"B/X.GIFS"_s}, {u"b/x.gif"_s, u"b/x.gifs"_s}},
        {{u"K.gif"_s, u"k.gif"_s, u"ß.gif"_s, u"ss.gif"_s, u"ẞ.GIF"_s},
         {u"K.gif"_s, u"ß.gif"_s, u"ss.gif"_s}},
        {{u"日本.png"_s, u"日本.pn"_s, u"😀.gif"_s, u"😀.GIF"_s}, {u"日本.png"_s, u"😀.gif"_s}},
        {{u"x.gif"_s, {}, u"y.gif"_s}, {u"x.gif"_s, u"y.gif"_s}},
        {{{}, u"x.gif"_s}, {{}, u"x.gif"_s}},
        {{longUrl, longUrl.left(66000), longUrl.toUpper(), longUrl + u'x',
          longUrl.left(66000) + u'b', longUrl.left(66000) + u'B'},
         {longUrl, longUrl + u'x', longUrl.left(66000) + u'b'}},
        {many, manyListed}};
    for (const auto& [found, listed] : cases) {
        FoundUrls urls;
        for (const QString& url : found) {
            urls.add(url);
        }
        EXPECT_EQ(urls.take().toStringList(), listed) << found.join(u' ').left(200).toStdString();
    }
}

const QStringList kTwelve =
    u"g.gif j.jpg G.GIF j.jpg "_s.repeated(3).split(u' ', Qt::SkipEmptyParts);
using Command = std::function<SelectionOutcome(FileList&, const FileList::ProgressFn&)>;

// Runs the command on a list of one entry per mark ('1': checked), every even
// entry a gif in either letter case, and gives what it did: the outcome ("~":
// the download button is left alone), the progress text shown and the marks.
QString RunOnList(const QString& marks, const Command& command) {
    FileList list;
    list.setEntries(kTwelve.first(marks.size()));
    for (int i = 0; i < marks.size(); ++i) {
        list.setChecked(i, marks[i] == u'1');
    }
    QString shown, after;
    const SelectionOutcome o = command(list, [&shown](const QString& text) { shown += text; });
    for (int i = 0; i < list.count(); ++i) {
        after += list.isChecked(i) ? u'1' : u'0';
    }
    EXPECT_EQ(list.checkedCount(), after.count(u'1'));
    return u"%1|%2|%3|%4|%5|%6"_s.arg(
        o.statusText, o.downloadEnabled ? QString::number(*o.downloadEnabled) : u"~"_s,
        QString::number(o.makeFirstCurrent), QString::number(o.focusSearchText), shown, after);
}

TEST(FileList, SelectionCommands) {
    const Command all = &FileList::SelectAll, none = &FileList::UnselectAll;
    const auto containing = [](const QString& text) -> Command {
        return [text](FileList& list, const auto& p) { return list.SelectAllContaining(text, p); };
    };
    const Command changed = [](FileList& list, const auto&) { return list.CheckChanged(); };
    const QString three = u"110001000000"_s;
    // marks, command, "status|download|make entry 0 current|focus search|progress|marks after"
    const std::tuple<QString, Command, QString> cases[] = {
        {three, all, u"12 files selected|1|1|0|Selecting files...|111111111111"_s},
        {three, none, u"12 files unselected|0|1|0|Unselecting files...|000000000000"_s},
        {three, containing(u"GIF"_s), u"6 files selected|1|1|0|Selecting files...|111011101010"_s},
        {three, containing(u"zip"_s), u"0 files selected|1|1|0|Selecting files...|"_s + three},
        {three, containing({}), u"Please specify text to search for|~|0|1||"_s + three},
        {{}, all, u"No files to select|~|0|0||"_s},
        {{}, none, u"No files to unselect|~|0|0||"_s},
        {{}, containing(u"gif"_s), u"No files to select|~|0|0||"_s},
        // after the user changed one check mark
        {u"010"_s, changed, u"1 files selected|1|0|0||010"_s},
        {u"000"_s, changed, u"0 files selected|0|0|0||000"_s}};
    for (const auto& [marks, command, done] : cases) {
        EXPECT_EQ(RunOnList(marks, command), done);
    }
    // Letter case folds as Qt folds it beyond ASCII too: the Kelvin sign is a K.
    FileList folded;
    folded.setEntries(QStringList{u"a/k.gif"_s, u"a/\u212A.GIF"_s, u"b.png"_s});
    EXPECT_EQ(folded.SelectAllContaining(u"K.G"_s).statusText, u"2 files selected"_s);
    EXPECT_EQ(folded.SelectAllContaining(u"\u212A"_s).statusText, u"2 files selected"_s);
}

// Gives one prepared answer, its page text at once, and records what was asked.
struct FakeFetcher : PageFetcher {
    void startFetch(const QString& url, const QString& userName, const QString& password,
                    PageBody& body, DoneFn done) override {
        requests.append(url + u' ' + userName + u' ' + password);
        if (answer.retrieved()) {
            body.text(source);
        }
        QTimer::singleShot(0, [done = std::move(done), result = answer] { done(result); });
    }
    void cancel() override {}
    PageFetchResult answer;
    QString source;
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
        fetcher.answer = {answered, status, u"failure"_s, url};
        fetcher.source = source;
        const PageScanResult result =
            test::ScanToEnd(fetcher, {url, u"me"_s, u"pw"_s, false, u"gif"_s});
        EXPECT_EQ(
            std::tuple(result.status, result.urls.toStringList().join(u' '), result.failureDetail,
                       fetcher.requests.join(u',')),
            std::tuple(scanStatus, urls, scanStatus == RequestFailed ? u"failure"_s : QString(),
                       scanStatus == BadPrefix ? QString() : url + u" me pw"_s));
    }
    // The count label has no singular.
    EXPECT_EQ(ExtractedCountText(0) + u'|' + ExtractedCountText(1),
              u"No extracted file URLs|1 extracted file URLs"_s);
}

}  // namespace
}  // namespace pg
