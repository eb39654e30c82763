#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace pg {

// The characters a page must not put raw into a file name or onto a terminal:
// the C0 controls, DEL and the C1 controls U+0080 to U+009F.
constexpr bool IsControlCharacter(char16_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// The bidirectional formatting characters (embeddings and overrides U+202A to
// U+202E, isolates U+2066 to U+2069): they reorder the text around them on
// screen, so that "exe.jpg" can show as "gpj.exe".
constexpr bool IsBidiControl(char16_t c) {
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

// What a page must not put raw into a file name, a log or onto a terminal.
constexpr bool IsUnsafeCharacter(char16_t c) {
    return IsControlCharacter(c) || IsBidiControl(c);
}

// A file name taken from a URL, each unsafe character replaced by "_".
QString SafeFileName(QString name);

// The URL with each unsafe character percent-encoded (its UTF-8 bytes as
// "%HH"), for text files that a person reads: everything else stays as listed.
QString UrlForLog(const QString& url);

// The URL as a request sends it: percent-encoded where a URL may not hold a
// character as it stands (spaces, control characters, non-ASCII letters), so
// that another program given this text asks for the same file.
QByteArray RequestUrlBytes(const QString& url);

// A name for a file that must not take `targetPath`: "name (2).ext",
// "name (3).ext" and so on, the number before the extension, the first for
// which `taken` is false.
QString NumberedTargetPath(const QString& targetPath,
                           const std::function<bool(const QString&)>& taken);

// 0 when `name` fits the file system's limit for one name (counted in bytes of
// its encoded form) in `folder`, else ENAMETOOLONG. A folder that does not exist
// yet is judged by its nearest existing parent.
int CheckFileNameLength(const QString& folder, const QString& name);

}  // namespace pg
