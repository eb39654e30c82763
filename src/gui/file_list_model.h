#pragma once

#include "scan/file_list.h"

#include <QAbstractListModel>
#include <QSize>

class QFont;

namespace pg {

// Shows a FileList in a list view with a check box per entry. All rows share
// one size, whose width is the widest entry, so the view's horizontal scroll
// bar reaches every URL without measuring rows as it scrolls.
class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    const FileList& list() const { return list_; }

    // True while the program itself changes the list: the preview ignores
    // changes of the current entry then.
    bool updatingList() const { return updatingList_; }

    // Replaces the entries (all unchecked).
    void setEntries(LinkList entries);
    void clear() { setEntries({}); }
    // The size of every row; an invalid size lets the view measure rows itself.
    void setRowSize(QSize size);

    // Runs a selection command and refreshes the check marks shown.
    SelectionOutcome selectAll(const FileList::ProgressFn& progress);
    SelectionOutcome unselectAll(const FileList::ProgressFn& progress);
    SelectionOutcome selectAllContaining(const QString& searchText,
                                         const FileList::ProgressFn& progress);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // The user changed the check mark of one entry.
    void checkChanged(int row);

private:
    template <typename Command>
    SelectionOutcome runCommand(Command command);

    FileList list_;
    QSize rowSize_;
    bool updatingList_ = false;
};

// The width of the widest text in the font. Laying a text out
// costs microseconds, too much for a million entries: the texts are first
// sized by the advances of their characters, one lookup a character, and only
// the few that come out widest are laid out (kerning moves a text's width by
// far less than the spread it would take to pass over one of those).
int WidestTextWidth(const LinkList& texts, const QFont& font);

}  // namespace pg
