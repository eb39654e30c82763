#include "scan/scan_rules.h"

namespace pg {

namespace {

// "scheme://host/" of a URL, or empty when the URL has no "://".
QString RootOf(const QString& url) {
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    if (scheme < 0) {
        return {};
    }
    const qsizetype slash = url.indexOf(QLatin1Char('/'), scheme + 3);
    return slash < 0 ? url + QLatin1Char('/') : url.left(slash + 1);
}

}  // namespace

QString ClimbLevels(const QString& u, qsizetype levels) {
    const QString root = RootOf(u);
    qsizetype found = 0;
    for (qsizetype i = u.size() - 2; i >= 0; --i) {
        if (u.at(i) == QLatin1Char('/') && ++found == levels) {
            const QString cut = u.left(i + 1);
            return cut.size() < root.size() ? root : cut;
        }
    }
    return root;
}

void ReplaceLoneSurrogates(char16_t* text, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i) {
        if (QChar::isHighSurrogate(text[i]) && i + 1 < size && QChar::isLowSurrogate(text[i + 1])) {
            ++i;
        } else if (QChar::isSurrogate(text[i])) {
            text[i] = QChar::ReplacementCharacter;
        }
    }
}

QString PageBaseUrl(const QString& pageUrl) {
    QString base = pageUrl;
    const qsizetype query = base.lastIndexOf(QLatin1Char('?'));
    if (query >= 0) {
        base.truncate(query);
    }
    const qsizetype scheme = base.indexOf(QLatin1String("://"));
    if (scheme >= 0 && base.indexOf(QLatin1Char('/'), scheme + 3) < 0) {
        base += QLatin1Char('/');
    }
    if (!base.endsWith(QLatin1Char('/'))) {
        base.truncate(base.lastIndexOf(QLatin1Char('/')) + 1);
    }
    return base;
}

QStringList FileTypeList(const QString& fileTypesText) {
    QString text = fileTypesText;
    if (!text.endsWith(QLatin1Char(','))) {
        text += QLatin1Char(',');
    }
    QStringList types = text.toLower().split(QLatin1Char(','));
    types.removeLast();  // the text after the closing comma
    return types;
}

}  // namespace pg
