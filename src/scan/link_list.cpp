#include "scan/link_list.h"

#include <QStringDecoder>

namespace pg {

LinkList::LinkList(const QStringList& urls) {
    for (const QString& url : urls) {
        append(url);
    }
}

QByteArrayView LinkList::utf8(qsizetype index) const {
    const auto i = static_cast<size_t>(index);
    const quint64 start = i == 0 ? 0 : ends_[i - 1];
    return QByteArrayView(text_.data() + start, static_cast<qsizetype>(ends_[i] - start));
}

QString LinkList::text(QByteArrayView utf8) {
    return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom)
        .decode(utf8);
}

QStringList LinkList::toStringList() const {
    QStringList urls;
    urls.reserve(size());
    for (qsizetype i = 0; i < size(); ++i) {
        urls.append(at(i));
    }
    return urls;
}

void LinkList::append(QStringView url) {
    appendUtf8(url.toUtf8());
}

void LinkList::appendUtf8(QByteArrayView url) {
    text_.append(url.data(), static_cast<size_t>(url.size()));
    ends_.push_back(text_.size());
}

}  // namespace pg
