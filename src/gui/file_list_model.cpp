#include "gui/file_list_model.h"

#include <QFontMetrics>
#include <QHash>

#include <array>
#include <functional>
#include <queue>

namespace pg {

namespace {

// The advance of each character met so far.
class CharacterAdvances {
public:
    explicit CharacterAdvances(const QFont& font) : metrics_(font) { ascii_.fill(-1); }
    qreal of(QByteArrayView utf8) {
        qreal sum = 0;
        for (const char byte : utf8) {
            const auto c = static_cast<uchar>(byte);
            if (c >= ascii_.size()) {
                return of(LinkList::text(utf8));
            }
            sum += advance(c);
        }
        return sum;
    }
    qreal of(QStringView text) {
        qreal sum = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c < ascii_.size()) {
                sum += advance(c);
                continue;
            }
            const qsizetype length = QChar::isHighSurrogate(c) && i + 1 < text.size() ? 2 : 1;
            const QStringView character = text.sliced(i, length);
            const char32_t code = length == 2 ? QChar::surrogateToUcs4(c, text[i + 1]) : c;
            auto found = others_.constFind(code);
            if (found == others_.constEnd()) {
                found = others_.insert(code, metrics_.horizontalAdvance(character.toString()));
            }
            sum += *found;
            i += length - 1;
        }
        return sum;
    }

private:
    qreal advance(char16_t c) {
        qreal& known = ascii_[c];
        if (known < 0) {
            known = metrics_.horizontalAdvance(QChar(c));
        }
        return known;
    }

    QFontMetricsF metrics_;
    std::array<qreal, 128> ascii_;
    QHash<char32_t, qreal> others_;
};

// Raises a flag for the lifetime of the object.
class FlagRaised {
public:
    explicit FlagRaised(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagRaised() { flag_ = false; }
    FlagRaised(const FlagRaised&) = delete;
    FlagRaised& operator=(const FlagRaised&) = delete;

private:
    bool& flag_;
};

}  // namespace

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

void FileListModel::setEntries(LinkList entries) {
    const FlagRaised updating(updatingList_);
    beginResetModel();
    list_.setEntries(std::move(entries));
    rowSize_ = QSize();
    endResetModel();
}

void FileListModel::setRowSize(QSize size) {
    rowSize_ = size;
    if (list_.count() > 0) {
        // The rows keep their order; only their size changes, which the view
        // measures again on a layout change.
        Q_EMIT layoutAboutToBeChanged();
        Q_EMIT layoutChanged();
    }
}

template <typename Command>
SelectionOutcome FileListModel::runCommand(Command command) {
    SelectionOutcome outcome;
    {
        const FlagRaised updating(updatingList_);
        outcome = command();
        if (list_.count() > 0) {
            Q_EMIT dataChanged(index(0), index(list_.count() - 1), {Qt::CheckStateRole});
        }
    }
    return outcome;
}

SelectionOutcome FileListModel::selectAll(const FileList::ProgressFn& progress) {
    return runCommand([&] { return list_.SelectAll(progress); });
}

SelectionOutcome FileListModel::unselectAll(const FileList::ProgressFn& progress) {
    return runCommand([&] { return list_.UnselectAll(progress); });
}

SelectionOutcome FileListModel::selectAllContaining(const QString& searchText,
                                                    const FileList::ProgressFn& progress) {
    return runCommand([&] { return list_.SelectAllContaining(searchText, progress); });
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.count();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= list_.count()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return list_.entry(index.row());
        case Qt::CheckStateRole:
            return list_.isChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
        case Qt::SizeHintRole:
            return rowSize_.isValid() ? QVariant(rowSize_) : QVariant();
        default:
            return {};
    }
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= list_.count()) {
        return false;
    }
    const bool checked = value.toInt() == Qt::Checked;
    if (list_.setChecked(index.row(), checked)) {
        Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
        Q_EMIT checkChanged(index.row());
    }
    return true;
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

int WidestTextWidth(const LinkList& texts, const QFont& font) {
    constexpr size_t kLaidOut = 64;
    CharacterAdvances advances(font);
    using Sized = std::pair<qreal, qsizetype>;  // estimated width, index
    std::priority_queue<Sized, std::vector<Sized>, std::greater<>> widest;  // narrowest on top
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const Sized sized{advances.of(texts.utf8(i)), i};
        if (widest.size() < kLaidOut) {
            widest.push(sized);
        } else if (sized.first > widest.top().first) {
            widest.pop();
            widest.push(sized);
        }
    }
    const QFontMetrics metrics(font);
    int width = 0;
    for (; !widest.empty(); widest.pop()) {
        width = std::max(width, metrics.horizontalAdvance(texts.at(widest.top().second)));
    }
    return width;
}

}  // namespace pg
