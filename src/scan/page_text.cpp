#include "scan/page_fetch.h"

#include <QByteArrayList>
#include <QRegularExpression>
#include <QStringDecoder>

#include <optional>

namespace pg {

namespace {

std::optional<QStringConverter::Encoding> EncodingForLabel(QByteArray label) {
    label = label.trimmed().toLower();
    if (label.startsWith('"') && label.endsWith('"') && label.size() >= 2) {
        label = label.mid(1, label.size() - 2);
    }
    if (label.isEmpty()) {
        return std::nullopt;
    }
    // Western single-byte pages; the scan only looks at ASCII, so windows-1252
    // decoded as Latin-1 loses nothing that matters.
    static const char* const latin1[] = {"iso-8859-1", "latin1",        "l1",    "windows-1252",
                                         "cp1252",     "us-ascii",      "ascii", "iso8859-1",
                                         "iso_8859-1", "x-user-defined"};
    for (const char* name : latin1) {
        if (label == name) {
            return QStringConverter::Latin1;
        }
    }
    return QStringConverter::encodingForName(label.constData());
}

std::optional<QStringConverter::Encoding> CharsetOfContentType(const QByteArray& contentType) {
    for (const QByteArray& part : contentType.split(';')) {
        const QByteArray item = part.trimmed();
        if (item.toLower().startsWith("charset=")) {
            return EncodingForLabel(item.mid(8));
        }
    }
    return std::nullopt;
}

// The charset a <meta> tag near the top of the page names, read through the
// same labels as the Content-Type header (Qt does not know windows-1252).
std::optional<QStringConverter::Encoding> CharsetOfMetaTag(QByteArrayView head) {
    static const QRegularExpression meta(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = meta.match(QString::fromLatin1(head));
    return match.hasMatch() ? EncodingForLabel(match.captured(1).toLatin1()) : std::nullopt;
}

}  // namespace

QStringConverter::Encoding PageEncoding(QByteArrayView head, const QByteArray& contentType) {
    head = head.first(std::min(head.size(), kPageEncodingHeadBytes));
    // The header's charset, else a byte-order mark, else a <meta> tag.
    std::optional<QStringConverter::Encoding> encoding = CharsetOfContentType(contentType);
    if (!encoding) {
        encoding = QStringConverter::encodingForData(head);
    }
    if (!encoding) {
        encoding = CharsetOfMetaTag(head);
    }
    if (!encoding) {
        encoding = QStringConverter::encodingForHtml(head);
    }
    return encoding.value_or(QStringConverter::Utf8);
}

QString DecodePageText(const QByteArray& body, const QByteArray& contentType) {
    QStringDecoder decoder(PageEncoding(body, contentType));
    return decoder.decode(body);
}

}  // namespace pg
