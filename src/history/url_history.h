#pragma once

#include "job/job_settings.h"

#include <QString>

#include <functional>
#include <utility>
#include <vector>

namespace pg {

// The text that follows the URL in a history record:
// "|" DDir "|" All "|" FTypes "|" User "|" Pwd "|", texts as they are. When a
// field holds a "|", every field has "%" and "|" written as "%25" and "%7C",
// and the mark field "%7C|" follows, so that the record reads back whole.
QString BuildRecordRest(const JobSettings& job);

// A URL as the history keeps it: "|" written as "%7C", which a server takes
// for the same URL.
QString HistoryUrl(const QString& url);

// The page URLs a batch download was run for, newest first (index 0), each
// with the rest of its record. Entries keep their insertion order.
class UrlHistory {
public:
    int count() const { return static_cast<int>(records_.size()); }
    // Out-of-range indexes give empty texts.
    QString url(int index) const;
    QString rest(int index) const;
    QString recordText(int index) const { return url(index) + rest(index); }

    // Adds a record at the end (used while reading the file).
    void append(const QString& url, const QString& rest);
    void clear();

    // Index of the first entry from the top whose URL begins with `text`
    // (its "|" as "%7C"), letter case ignored, or -1. The result becomes the current entry. An
    // empty text finds nothing: it is the beginning of every entry, so it would
    // stand for whichever record happens to be the newest.
    int FindUrl(const QString& text);

    int currentIndex() const { return current_; }
    // -1 (or any index out of range) leaves no current entry.
    void setCurrentIndex(int index);

    // Puts a new record at the top unless an entry has this very URL (letter
    // case ignored) or the URL is empty; true when the record was added. The
    // entry found, or none, becomes the current entry.
    bool AddUrl(const QString& urlText, const JobSettings& job);
    // Rewrites the settings of the first entry with the URL job.url (letter
    // case ignored), keeping its URL and position; false (and nothing
    // changed) when there is none. The entry found, or none, becomes the
    // current entry.
    bool UpdateCurrentRecord(const JobSettings& job);

    // The fields of record `index` (an invalid index gives no fields).
    JobSettingsUpdate LoadRecord(int index) const;

    // "<count> URLs" for the count label.
    QString countText() const;

    // Check marks of the list window; they belong to their entries and are
    // never written to the file.
    bool isMarked(int index) const;
    void setMarked(int index, bool marked);
    int markedCount() const;

    // Called after every change of the entries or their marks.
    void setOnChanged(std::function<void()> callback) { onChanged_ = std::move(callback); }

private:
    struct Record {
        QString url;
        QString rest;
        bool marked = false;
    };

    bool isValid(int index) const { return index >= 0 && index < count(); }
    // The first entry whose URL is `text` (whole) or begins with it, letter
    // case ignored, or -1; it becomes the current entry.
    int findUrl(const QString& text, bool whole);
    void notify() const;

    std::vector<Record> records_;
    int current_ = -1;
    std::function<void()> onChanged_;
};

}  // namespace pg
