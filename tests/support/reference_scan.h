#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The file URL extraction in its plainest terms, the whole page text at once:
// the reference that the page scanner (which does the same while a page
// arrives) is checked against by the differential tests and the fuzzer.

namespace pg::test {

// Turns one attribute value into a full file URL, or nothing when the value is
// not a wanted file. `types` is ignored when allTypes is true.
std::optional<QString> ResolveFileUrl(QString value, const QString& base, bool allTypes,
                                      const QStringList& types);

// Walks the page text for href=, src= and background= values (each preceded by a
// blank), resolves them and gives the wanted file URLs once each, in the order
// they first occur. A URL is left out when a URL already found begins with it,
// letter case ignored.
QStringList ExtractFileUrls(const QString& pageSource, const QString& pageUrl, bool allTypes,
                            const QString& fileTypesText);

}  // namespace pg::test
