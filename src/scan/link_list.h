#pragma once

#include "scan/flat_array.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <iterator>

namespace pg {

// URLs in order, kept compactly: their UTF-8 texts one after another in one
// buffer, and where each one ends. A list takes little more than its text,
// where a QStringList would take over a hundred bytes a URL on top of it.
class LinkList {
public:
    LinkList() = default;
    // From texts (tests and small lists); implicit so that a QStringList
    // stands where a list of links is asked for.
    LinkList(const QStringList& urls);  // NOLINT(google-explicit-constructor)

    qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
    bool isEmpty() const { return ends_.empty(); }
    QByteArrayView utf8(qsizetype index) const;
    QString at(qsizetype index) const { return text(utf8(index)); }
    QStringList toStringList() const;
    // The bytes of every URL together.
    qsizetype textBytes() const { return static_cast<qsizetype>(text_.size()); }

    // UTF-8 as text, a leading U+FEFF kept (QString::fromUtf8 takes it for a
    // byte-order mark and drops it).
    static QString text(QByteArrayView utf8);

    void append(QStringView url);
    void appendUtf8(QByteArrayView url);

    // Walks the URLs as QStrings, each made when it is read.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = QString;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = QString;

        const_iterator() = default;
        const_iterator(const LinkList* list, qsizetype index) : list_(list), index_(index) {}
        QString operator*() const { return list_->at(index_); }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++index_;
            return before;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.index_ == b.index_;
        }

    private:
        const LinkList* list_ = nullptr;
        qsizetype index_ = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    friend bool operator==(const LinkList& a, const LinkList& b) {
        return a.ends_ == b.ends_ && a.text_ == b.text_;
    }

private:
    friend class FoundUrls;  // builds its list in place
    LinkList(FlatArray<char> text, FlatArray<quint64> ends)
        : text_(std::move(text)), ends_(std::move(ends)) {}

    FlatArray<char> text_;
    FlatArray<quint64> ends_;  // where each URL's text ends in text_
};

}  // namespace pg
