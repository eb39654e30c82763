#include "history/url_history.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// Ordinals of the record fields, counted from 1 at the URL.
enum Field { FieldUrl = 1, FieldDirectory, FieldAllTypes, FieldFileTypes, FieldUserName, FieldPassword };

}  // namespace

QString BuildRecordRest(const JobSettings& job) {
    return u"|"_s + job.directory + u'|' + CheckStateText(job.allTypes) + u'|' + job.fileTypes +
           u'|' + job.userName + u'|' + job.password + u'|';
}

QString UrlHistory::url(int index) const {
    return isValid(index) ? records_[static_cast<size_t>(index)].url : QString();
}

QString UrlHistory::rest(int index) const {
    return isValid(index) ? records_[static_cast<size_t>(index)].rest : QString();
}

void UrlHistory::append(const QString& url, const QString& rest) {
    records_.push_back({url, rest});
    notify();
}

void UrlHistory::clear() {
    records_.clear();
    current_ = -1;
    notify();
}

int UrlHistory::FindUrl(const QString& text) {
    if (text.isEmpty()) {
        current_ = -1;
        return current_;
    }
    const auto it = std::find_if(records_.begin(), records_.end(), [&text](const Record& r) {
        return r.url.startsWith(text, Qt::CaseInsensitive);
    });
    current_ = it == records_.end() ? -1 : static_cast<int>(it - records_.begin());
    return current_;
}

void UrlHistory::setCurrentIndex(int index) {
    current_ = isValid(index) ? index : -1;
}

bool UrlHistory::AddUrl(const QString& urlText, const JobSettings& job) {
    if (FindUrl(urlText) >= 0 || urlText.isEmpty()) {
        return false;
    }
    records_.insert(records_.begin(), {urlText, BuildRecordRest(job)});
    notify();
    return true;
}

bool UrlHistory::UpdateCurrentRecord(const JobSettings& job) {
    const int index = FindUrl(job.url);
    if (index < 0) {
        return false;
    }
    records_[static_cast<size_t>(index)].rest = BuildRecordRest(job);
    notify();
    return true;
}

JobSettingsUpdate UrlHistory::LoadRecord(int index) const {
    JobSettingsUpdate update;
    // Every field ends at a "|"; the piece after the last one is unfinished and
    // ignored, and so is every field past the sixth.
    const QStringList pieces = recordText(index).split(u'|');
    const int fields = std::min<int>(static_cast<int>(pieces.size()) - 1, FieldPassword);
    for (int ordinal = 1; ordinal <= fields; ++ordinal) {
        const QString& field = pieces[ordinal - 1];
        switch (ordinal) {
            case FieldUrl:
                update.url = field;
                break;
            case FieldDirectory:
                update.directory = field;
                break;
            case FieldAllTypes:
                update.allTypes = CheckStateFromText(field);
                break;
            case FieldFileTypes:
                update.fileTypes = field;
                break;
            case FieldUserName:
                update.userName = field;
                break;
            case FieldPassword:
                update.password = field;
                break;
        }
    }
    return update;
}

QString UrlHistory::countText() const {
    return QString::number(count()) + u" URLs"_s;
}

bool UrlHistory::isMarked(int index) const {
    return isValid(index) && records_[static_cast<size_t>(index)].marked;
}

void UrlHistory::setMarked(int index, bool marked) {
    if (!isValid(index) || records_[static_cast<size_t>(index)].marked == marked) {
        return;
    }
    records_[static_cast<size_t>(index)].marked = marked;
    notify();
}

int UrlHistory::markedCount() const {
    return static_cast<int>(
        std::count_if(records_.begin(), records_.end(), [](const Record& r) { return r.marked; }));
}

void UrlHistory::notify() const {
    if (onChanged_) {
        onChanged_();
    }
}

}  // namespace pg
