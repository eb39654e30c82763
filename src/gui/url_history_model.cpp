#include "gui/url_history_model.h"

#include <QPointer>

namespace pg {

// Gathers the history's notifications while a command changes many marks,
// then brings the view up to date once.
class UrlHistoryModel::Batch {
public:
    explicit Batch(UrlHistoryModel& model) : model_(model) {
        model_.inBatch_ = true;
        model_.changedInBatch_ = false;
    }
    ~Batch() {
        model_.inBatch_ = false;
        if (model_.changedInBatch_) {
            model_.onHistoryChanged();
        }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    UrlHistoryModel& model_;
};

UrlHistoryModel::UrlHistoryModel(UrlHistory& history, QObject* parent)
    : QAbstractListModel(parent), history_(history), shownCount_(history.count()) {
    // The history may outlive the model or go first (both belong to windows
    // torn down in either order), so the callback checks the model is alive
    // and the destructor leaves the history alone.
    history_.setOnChanged([model = QPointer<UrlHistoryModel>(this)] {
        if (model) {
            model->onHistoryChanged();
        }
    });
}

void UrlHistoryModel::onHistoryChanged() {
    if (inBatch_) {
        changedInBatch_ = true;
        return;
    }
    // The history reports a change only after making it, so a change of the
    // number of entries can only be shown by a reset.
    if (history_.count() != shownCount_) {
        beginResetModel();
        shownCount_ = history_.count();
        endResetModel();
    } else if (shownCount_ > 0) {
        Q_EMIT dataChanged(index(0), index(shownCount_ - 1));
    }
    Q_EMIT historyChanged();
}

int UrlHistoryModel::markAllContaining(const QString& text) {
    Batch batch(*this);
    int found = 0;
    for (int i = 0; i < history_.count(); ++i) {
        if (history_.url(i).contains(text, Qt::CaseInsensitive)) {
            history_.setMarked(i, true);
            ++found;
        }
    }
    return found;
}

void UrlHistoryModel::unmarkAll() {
    Batch batch(*this);
    for (int i = 0; i < history_.count(); ++i) {
        history_.setMarked(i, false);
    }
}

int UrlHistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownCount_;
}

QVariant UrlHistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownCount_) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return history_.url(index.row());
        case Qt::CheckStateRole:
            return history_.isMarked(index.row()) ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
    }
}

bool UrlHistoryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= shownCount_) {
        return false;
    }
    const int row = index.row();
    const bool marked = value.toInt() == Qt::Checked;
    if (history_.isMarked(row) != marked) {
        history_.setMarked(row, marked);  // the history's notification updates the view
        Q_EMIT markChanged(row);
    }
    return true;
}

Qt::ItemFlags UrlHistoryModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

}  // namespace pg
