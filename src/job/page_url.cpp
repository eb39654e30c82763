#include "job/page_url.h"

namespace pg {

bool HasPagePrefix(const QString& text) {
    return text.startsWith(QLatin1String("http"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("ftp"), Qt::CaseInsensitive);
}

}  // namespace pg
