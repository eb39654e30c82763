#pragma once

#include "history/url_history.h"

#include <QAbstractListModel>

namespace pg {

// Shows a UrlHistory in a list view: one row per entry, the URL as its text
// and the entry's mark as a check box the user can set.
//
// The model takes over the history's change callback (a history has only
// one) and passes every change on as historyChanged(); anything else that
// needs to hear of changes connects to that signal instead of installing its
// own callback. The callback stays safe when the model goes first.
class UrlHistoryModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit UrlHistoryModel(UrlHistory& history, QObject* parent = nullptr);

    UrlHistory& history() { return history_; }
    const UrlHistory& history() const { return history_; }

    // Marks every entry whose URL contains `text`, letter case ignored, and
    // returns how many do (entries marked before included). Other entries
    // keep their marks.
    int markAllContaining(const QString& text);
    // Removes every mark.
    void unmarkAll();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // The history's entries or marks changed (from anywhere, after the rows
    // shown have caught up).
    void historyChanged();
    // The user changed the mark of one entry through the view.
    void markChanged(int row);

private:
    class Batch;

    void onHistoryChanged();

    UrlHistory& history_;
    int shownCount_ = 0;
    // While a batch runs, history changes are gathered into one update.
    bool inBatch_ = false;
    bool changedInBatch_ = false;
};

}  // namespace pg
