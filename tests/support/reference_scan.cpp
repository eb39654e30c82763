#include "support/reference_scan.h"

#include "scan/scan_rules.h"

#include <QStringView>

#include <set>

namespace pg::test {

namespace {

// True when the text just before position `end` is `pattern`, ASCII letters
// compared without case (the patterns are plain ASCII).
bool EndsWithPattern(QStringView text, qsizetype end, QLatin1String pattern) {
    const qsizetype start = end - pattern.size();
    if (start < 0) {
        return false;
    }
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        char16_t c = text[start + i].unicode();
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        }
        if (c != pattern[i].unicode()) {
            return false;
        }
    }
    return true;
}

// Length of the attribute pattern (" href=", " src=" or " background=") whose
// "=" stands at position eq, or 0. Each pattern holds its only "=" at its end,
// so walking from one "=" to the next meets the patterns in page order.
qsizetype PatternEndingAt(QStringView text, qsizetype eq) {
    if (eq < 4) {
        return 0;
    }
    const AttributePattern* pattern = PatternEndingWith(text[eq - 1].unicode());
    return pattern && EndsWithPattern(text, eq + 1, QLatin1String(pattern->text)) ? pattern->length
                                                                                  : 0;
}

// The page without carriage returns and line feeds, nothing put in their place.
QString WithoutLineBreaks(const QString& source) {
    QString page(source.size(), Qt::Uninitialized);
    QChar* out = page.data();
    const QStringView in(source);
    qsizetype from = 0;
    while (from < in.size()) {
        qsizetype brk = in.indexOf(QLatin1Char('\n'), from);
        const qsizetype cr = in.first(brk < 0 ? in.size() : brk).indexOf(QLatin1Char('\r'), from);
        if (cr >= 0) {
            brk = cr;
        }
        const qsizetype end = brk < 0 ? in.size() : brk;
        std::copy(in.data() + from, in.data() + end, out);
        out += end - from;
        from = end + 1;
    }
    page.truncate(out - page.data());
    return page;
}

// The duplicate rule stated plainly: an ordered set of case-folded entries,
// where the entries that begin with x sort right after x.
class FoldedEntries {
public:
    bool hasEntryBeginningWith(const QString& text) const {
        const QString key = text.toCaseFolded();
        const auto it = keys_.lower_bound(key);
        return it != keys_.end() && it->startsWith(key);
    }
    void insert(const QString& text) { keys_.insert(text.toCaseFolded()); }

private:
    std::set<QString> keys_;
};

bool IsSkipped(QChar c) {
    return c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('\\');
}

}  // namespace

std::optional<QString> ResolveFileUrl(QString value, const QString& base, bool allTypes,
                                      const QStringList& types) {
    QString u = base;

    if (value.startsWith(QLatin1Char('.'))) {
        const qsizetype slash = value.indexOf(QLatin1Char('/'), 1);
        if (slash < 0) {
            return std::nullopt;
        }
        const qsizetype levels = slash - 1;  // "./" climbs 0, "../" climbs 1, ".../" climbs 2
        value.remove(0, slash + 1);
        if (levels > 0) {
            u = ClimbLevels(u, levels);
        }
    }

    if (!value.right(5).contains(QLatin1Char('.'))) {
        return std::nullopt;
    }

    const qsizetype dot = value.lastIndexOf(QLatin1Char('.'));
    qsizetype end = dot + 1;
    while (end < value.size() && IsExtensionChar(value.at(end).unicode())) {
        ++end;
    }
    value.truncate(end);

    if (value.startsWith(QLatin1Char('/'))) {
        value.remove(0, 1);
    }

    if (value.contains(QLatin1String("://"))) {
        u = value;
    } else {
        u += value;
    }

    if (value.contains(QLatin1String("mailto:"), Qt::CaseInsensitive) ||
        value.contains(QLatin1String("javascript:"), Qt::CaseInsensitive)) {
        return std::nullopt;
    }

    if (!allTypes) {
        const QString extension = value.mid(value.lastIndexOf(QLatin1Char('.')) + 1).toLower();
        if (!types.contains(extension)) {
            return std::nullopt;
        }
    }
    ReplaceLoneSurrogates(reinterpret_cast<char16_t*>(u.data()), u.size());
    return u;
}

QStringList ExtractFileUrls(const QString& pageSource, const QString& pageUrl, bool allTypes,
                            const QString& fileTypesText) {
    const QString page = WithoutLineBreaks(pageSource);
    const QStringView text(page);
    const qsizetype length = text.size();

    const QString base = PageBaseUrl(pageUrl);
    const QStringList types = allTypes ? QStringList() : FileTypeList(fileTypesText);

    QStringList found;
    FoldedEntries seen;
    QString value;

    // p is the first position the walk may still test for a pattern.
    qsizetype p = 0;
    qsizetype eq = 0;
    while (p < length) {
        eq = text.indexOf(QLatin1Char('='), std::max(eq, p));
        if (eq < 0) {
            break;
        }
        const qsizetype patternLength = PatternEndingAt(text, eq);
        if (patternLength == 0 || eq + 1 - patternLength < p) {
            ++eq;
            continue;
        }
        p = eq + 1;
        // A value ends at the first blank or ">" among the next 10000 characters;
        // quotes and backslashes inside it are dropped.
        const qsizetype windowEnd = std::min(length, p + kMaxValueLength);
        qsizetype end = p;
        while (end < windowEnd && text[end] != QLatin1Char(' ') && text[end] != QLatin1Char('>')) {
            ++end;
        }
        if (end < windowEnd) {
            value.clear();
            for (qsizetype i = p; i < end; ++i) {
                if (!IsSkipped(text[i])) {
                    value += text[i];
                }
            }
            if (auto url = ResolveFileUrl(value, base, allTypes, types)) {
                if (!seen.hasEntryBeginningWith(*url)) {
                    seen.insert(*url);
                    found.append(*url);
                }
            }
            p = end + 1;  // the walk goes on after the character that ended the value
        } else {
            p += kMaxValueLength + 1;  // no end within reach: the value is dropped
        }
        eq = p;
    }
    return found;
}

}  // namespace pg::test
