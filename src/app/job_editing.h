#pragma once

#include <QChar>

namespace pg {

// The two flags that keep the stored record of the current URL in step with the
// job fields: FieldChanged marks an edit of the file types, user name or password
// since that field got the focus; LoadingRecord is raised while a stored record
// is copied into the fields, so that nothing is rewritten then.
struct JobEditing {
    bool FieldChanged = false;
    bool LoadingRecord = false;

    // Text changed in Text3, Text5 or Text6.
    void textChanged() {
        if (!LoadingRecord) {
            FieldChanged = true;
        }
    }
    void focusGained() { FieldChanged = false; }
    // Focus left one of the three fields: true when the record must be rewritten.
    bool focusLost() {
        if (!FieldChanged) {
            return false;
        }
        FieldChanged = false;
        return true;
    }
    // "All File Types" changed: true when the record must be rewritten.
    bool allTypesChanged() const { return !LoadingRecord; }

    // A typed blank never reaches the URL, search, file type, user or password field.
    static bool discardsTyped(QChar c) { return c == QLatin1Char(' '); }
};

}  // namespace pg
