#include "history/url_history.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

// Ordinals of the record fields, counted from 1 at the URL.
enum Field {
    FieldUrl = 1,
    FieldDirectory,
    FieldAllTypes,
    FieldFileTypes,
    FieldUserName,
    FieldPassword
};

// A "|" ends a field. A record whose fields hold one writes "%" as "%25" and
// "|" as "%7C" in every field after the URL, and says so with a seventh field
// of this text. A record without "|" in its fields has exactly six, so it
// never carries the mark and its "%" stay as they are; older readers take
// the six fields where they were and ignore the seventh.
const QString kEscapedMark = u"%7C"_s;

QString Escaped(QString field) {
    return field.replace(u'%', u"%25"_s).replace(u'|', u"%7C"_s);
}

QString Unescaped(const QString& field) {
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QStringView code =
            QStringView(field).sliced(i, std::min<qsizetype>(3, field.size() - i));
        if (code.compare(u"%25"_s, Qt::CaseInsensitive) == 0) {
            text += u'%';
            i += 2;
        } else if (code.compare(u"%7C"_s, Qt::CaseInsensitive) == 0) {
            text += u'|';
            i += 2;
        } else {
            text += field[i];
        }
    }
    return text;
}

}  // namespace

QString HistoryUrl(const QString& url) {
    return QString(url).replace(u'|', u"%7C"_s);
}

QString BuildRecordRest(const JobSettings& job) {
    const QString fields[] = {job.directory, CheckStateText(job.allTypes), job.fileTypes,
                              job.userName, job.password};
    const bool escaped = std::any_of(std::begin(fields), std::end(fields),
                                     [](const QString& f) { return f.contains(u'|'); });
    QString rest;
    for (const QString& field : fields) {
        rest += u'|' + (escaped ? Escaped(field) : field);
    }
    rest += u'|';
    if (escaped) {
        rest += kEscapedMark + u'|';
    }
    return rest;
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
    return findUrl(text, false);
}

int UrlHistory::findUrl(const QString& text, bool whole) {
    const QString url = HistoryUrl(text);
    const auto matches = [&url, whole](const Record& r) {
        return whole ? r.url.compare(url, Qt::CaseInsensitive) == 0
                     : r.url.startsWith(url, Qt::CaseInsensitive);
    };
    const auto it =
        url.isEmpty() ? records_.end() : std::find_if(records_.begin(), records_.end(), matches);
    current_ = it == records_.end() ? -1 : static_cast<int>(it - records_.begin());
    return current_;
}

void UrlHistory::setCurrentIndex(int index) {
    current_ = isValid(index) ? index : -1;
}

bool UrlHistory::AddUrl(const QString& urlText, const JobSettings& job) {
    if (findUrl(urlText, true) >= 0 || urlText.isEmpty()) {
        return false;
    }
    records_.insert(records_.begin(), {HistoryUrl(urlText), BuildRecordRest(job)});
    notify();
    return true;
}

bool UrlHistory::UpdateCurrentRecord(const JobSettings& job) {
    const int index = findUrl(job.url, true);
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
    QStringList pieces = recordText(index).split(u'|');
    const int fields = std::min<int>(static_cast<int>(pieces.size()) - 1, FieldPassword);
    if (pieces.size() > FieldPassword + 1 && pieces[FieldPassword] == kEscapedMark) {
        for (int i = FieldDirectory - 1; i < FieldPassword; ++i) {
            pieces[i] = Unescaped(pieces[i]);
        }
    }
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
