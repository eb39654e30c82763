#pragma once

#include <QLocale>

namespace pg::test {

// Makes the given locale the default for the lifetime of the object, so that
// expected texts do not depend on the machine's language.
class LocaleGuard {
public:
    explicit LocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(m_saved); }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

private:
    QLocale m_saved;
};

inline QLocale EnglishUS() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

inline QLocale GermanGermany() {
    return QLocale(QLocale::German, QLocale::Germany);
}

}  // namespace pg::test
