#include "app/job_settings.h"

namespace pg {

std::optional<int> CheckValueFromText(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < Unchecked || value > Grayed) {
        return std::nullopt;
    }
    return value;
}

}  // namespace pg
