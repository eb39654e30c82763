#include "scan/url_resolver.h"

#include "scan/scan_rules.h"

#include <algorithm>

namespace pg {

namespace {

// Searches in a value, which is short: plain loops cost less than the general
// search's set-up.
qsizetype LastIndexOf(QStringView value, char16_t c) {
    qsizetype i = value.size();
    while (i > 0 && value[i - 1] != c) {
        --i;
    }
    return i - 1;
}

bool Contains(QStringView value, char16_t c) {
    return std::find(value.utf16(), value.utf16() + value.size(), c) !=
           value.utf16() + value.size();
}

bool HasSchemeSeparator(QStringView value) {
    for (qsizetype i = 0; i + 2 < value.size(); ++i) {
        if (value[i] == u':' && value[i + 1] == u'/' && value[i + 2] == u'/') {
            return true;
        }
    }
    return false;
}

}  // namespace

FileUrlResolver::FileUrlResolver(const QString& pageUrl, bool allTypes,
                                 const QString& fileTypesText)
    : base_(PageBaseUrl(pageUrl)),
      allTypes_(allTypes),
      types_(allTypes ? QStringList() : FileTypeList(fileTypesText)),
      slashes_(base_.count(u'/')) {}

void FileUrlResolver::setPageUrl(const QString& pageUrl) {
    base_ = PageBaseUrl(pageUrl);
    slashes_ = base_.count(u'/');
    climbed_.clear();
}

const QString& FileUrlResolver::climbed(qsizetype levels) {
    // Beyond the base's own "/" count every climb gives the same root.
    const auto slot = static_cast<size_t>(std::min(levels, slashes_ + 1));
    if (climbed_.size() <= slot) {
        climbed_.resize(slot + 1);
    }
    if (climbed_[slot].isNull()) {
        climbed_[slot] = ClimbLevels(base_, static_cast<qsizetype>(slot));
    }
    return climbed_[slot];
}

bool FileUrlResolver::wantedType(QStringView extension) const {
    // The extension holds only digits and characters 64 to 122, so lowering
    // A-Z is all that toLower() would do.
    char16_t lower[16];
    if (extension.size() > qsizetype(std::size(lower))) {
        return types_.contains(extension.toString().toLower());
    }
    for (qsizetype i = 0; i < extension.size(); ++i) {
        const char16_t c = extension[i].unicode();
        lower[i] = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    }
    const QStringView key(lower, extension.size());
    for (const QString& type : types_) {
        if (type == key) {
            return true;
        }
    }
    return false;
}

std::optional<QStringView> FileUrlResolver::resolve(QStringView value) {
    const QString* u = &base_;
    if (value.startsWith(u'.')) {
        const qsizetype slash = value.indexOf(u'/', 1);
        if (slash < 0) {
            return std::nullopt;
        }
        const qsizetype levels = slash - 1;  // "./" climbs 0, "../" climbs 1
        value = value.sliced(slash + 1);
        if (levels > 0) {
            u = &climbed(levels);
        }
    }
    const qsizetype dot = LastIndexOf(value, u'.');
    if (dot < 0 || dot < value.size() - 5) {  // no "." among the last five characters
        return std::nullopt;
    }
    qsizetype end = dot + 1;
    while (end < value.size() && IsExtensionChar(value[end].unicode())) {
        ++end;
    }
    value.truncate(end);
    if (value.startsWith(u'/')) {
        value = value.sliced(1);
    }
    // Both link kinds end in ":", which no other character folds to.
    if (Contains(value, u':') &&
        (value.contains(QLatin1String("mailto:"), Qt::CaseInsensitive) ||
         value.contains(QLatin1String("javascript:"), Qt::CaseInsensitive))) {
        return std::nullopt;
    }
    if (!allTypes_ && !wantedType(value.sliced(LastIndexOf(value, u'.') + 1))) {
        return std::nullopt;
    }
    const char16_t* text = value.utf16();
    if (HasSchemeSeparator(value)) {
        url_.assign(text, static_cast<size_t>(value.size()));
    } else {
        url_.assign(reinterpret_cast<const char16_t*>(u->constData()),
                    static_cast<size_t>(u->size()));
        url_.append(text, static_cast<size_t>(value.size()));
    }
    return QStringView(url_.data(), static_cast<qsizetype>(url_.size()));
}

}  // namespace pg
