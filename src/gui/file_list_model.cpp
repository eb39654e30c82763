#include "gui/file_list_model.h"

namespace pg {

namespace {

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

void FileListModel::setEntries(QStringList entries) {
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

}  // namespace pg
