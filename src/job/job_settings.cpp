#include "job/job_settings.h"

namespace pg {

std::optional<bool> CheckStateFromText(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || (value != 0 && value != 1)) {
        return std::nullopt;
    }
    return value == 1;
}

QString CheckStateText(bool checked) {
    return checked ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace pg
