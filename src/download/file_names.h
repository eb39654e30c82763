#pragma once

#include <QString>

namespace pg {

// The characters a page must not put raw into a file name or onto a terminal:
// the C0 controls, DEL and the C1 controls U+0080 to U+009F.
constexpr bool IsControlCharacter(char16_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// A file name taken from a URL, each control character replaced by "_".
QString SafeFileName(QString name);

// 0 when `name` fits the file system's limit for one name (counted in bytes of
// its encoded form) in `folder`, else ENAMETOOLONG. A folder that does not exist
// yet is judged by its nearest existing parent.
int CheckFileNameLength(const QString& folder, const QString& name);

}  // namespace pg
