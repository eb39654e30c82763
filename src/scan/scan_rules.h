#pragma once

#include <QString>
#include <QStringList>

namespace pg {

// The rules of the file URL extraction, which the page scanner follows and
// the tests' plain reference walk checks it against.

// A value of " href=", " src=" or " background=" (each pattern preceded by a
// blank, letter case ignored) ends at the first blank or ">" among this many
// characters after the "="; without one within reach it is dropped.
inline constexpr qsizetype kMaxValueLength = 10000;
struct AttributePattern {
    const char* text;  // ASCII, lower case, ending with its only "="
    qsizetype length;
};
inline constexpr AttributePattern kHrefPattern{" href=", 6};
inline constexpr AttributePattern kSrcPattern{" src=", 5};
inline constexpr AttributePattern kBackgroundPattern{" background=", 12};
inline constexpr qsizetype kLongestPatternBeforeEquals = 11;  // " background"

// The pattern whose "=" ends with the character before the "=": f, c and d
// (either case) lead to href, src and background; nullptr for any other.
constexpr const AttributePattern* PatternEndingWith(char16_t beforeEquals) {
    switch (beforeEquals) {
        case u'f':
        case u'F':
            return &kHrefPattern;
        case u'c':
        case u'C':
            return &kSrcPattern;
        case u'd':
        case u'D':
            return &kBackgroundPattern;
        default:
            return nullptr;
    }
}

// An extension holds letters, digits (mp3, 7z) and the few signs between "@"
// and "z"; the cut stops at the first other character.
constexpr bool IsExtensionChar(char16_t c) {
    return (c >= 64 && c <= 122) || (c >= u'0' && c <= u'9');
}

// The directory of a page URL against which relative values are joined: the text
// before the last "?" is cut after its last "/". A URL without a path (http://host)
// is treated as http://host/.
QString PageBaseUrl(const QString& pageUrl);

// Cuts a base URL after the n-th "/" found walking back from its second-to-last
// character (what "../" and its longer forms climb); a climb never goes above
// the host's root.
QString ClimbLevels(const QString& base, qsizetype levels);

// The wanted extensions from the file types text: the comma-separated entries,
// lower-cased, not trimmed; there is always at least one entry (possibly empty).
QStringList FileTypeList(const QString& fileTypesText);

// Each lone surrogate in a URL (half of a pair, which a UTF-16 page can hold)
// becomes U+FFFD, as undecodable bytes of a page do, so that the URL has a
// UTF-8 form.
void ReplaceLoneSurrogates(char16_t* text, qsizetype size);

}  // namespace pg
