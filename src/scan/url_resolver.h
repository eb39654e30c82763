#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <string>
#include <vector>

namespace pg {

// ResolveFileUrl for one page, many values: the base, the climbed bases and the
// type list are worked out once, and the URL is built in a buffer that is
// reused, so a value costs no allocation.
class FileUrlResolver {
public:
    FileUrlResolver(const QString& pageUrl, bool allTypes, const QString& fileTypesText);

    // Values from now on are joined to this page URL's directory.
    void setPageUrl(const QString& pageUrl);

    // The full URL for the value, or nothing when the value is dropped. The
    // view stays valid until the next call.
    std::optional<QStringView> resolve(QStringView value);

private:
    const QString& climbed(qsizetype levels);
    bool wantedType(QStringView extension) const;

    QString base_;
    bool allTypes_;
    QStringList types_;
    qsizetype slashes_;             // the "/" in the base
    std::vector<QString> climbed_;  // index: levels climbed; empty when not worked out yet
    std::u16string url_;
};

}  // namespace pg
