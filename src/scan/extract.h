#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace pg {

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

// Turns one attribute value into a full file URL, or nothing when the value is
// not a wanted file. `types` is ignored when allTypes is true.
std::optional<QString> ResolveFileUrl(QString value, const QString& base, bool allTypes,
                                      const QStringList& types);

// Each lone surrogate in a URL (half of a pair, which a UTF-16 page can hold)
// becomes U+FFFD, as undecodable bytes of a page do, so that the URL has a
// UTF-8 form.
void ReplaceLoneSurrogates(char16_t* text, qsizetype size);

// Walks the page text for href=, src= and background= values (each preceded by a
// blank), resolves them and gives the wanted file URLs once each, in the order
// they first occur. A URL is left out when a URL already found begins with it,
// letter case ignored. The whole text at once, in the plainest terms: the rules'
// reference. PageScanner does the same while a page arrives.
QStringList ExtractFileUrls(const QString& pageSource, const QString& pageUrl, bool allTypes,
                            const QString& fileTypesText);

}  // namespace pg
