#pragma once

#include <QString>

namespace pg {

// True when the text begins with "http" or "ftp", letter case ignored: what a
// page address must look like, for the page retrieval and for an address taken
// from a browser alike (so "https://" passes, and "www.host" does not).
bool HasPagePrefix(const QString& text);

}  // namespace pg
