#include "gui_harness.h"
#include "scan/page_scan.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialog>

namespace pg::test {
namespace {

const QStringList kTwelveFiles =
    u"a1.gif a2.gif a3.gif a4.gif b1.jpg b2.jpg b3.jpg b4.jpg b5.jpg b6.jpg b7.jpg b8.jpg"_s.split(
        u' ');

// A stored check-box text other than 0 or 1 leaves the box as on a first run.
TEST(MainWindowTest, StartUpWithoutUsableSettingsShowsTheDefaults) {
    for (const QMap<QString, QString>& stored :
         {QMap<QString, QString>{}, {{u"All"_s, u"2"_s}, {u"Hide"_s, u"2"_s}}}) {
        MainWindowHarness h;
        h.settings.values = stored;
        h.start();
        EXPECT_EQ(h.window->windowTitle(), u"Pagegleaner 1.0"_s);
        EXPECT_EQ(h.texts({"Text1", "Text4", "Text3", "Text5", "Text6"}),
                  u"||gif,jpg,exe,htm,html||"_s);
        for (const char* box : {"ckAll", "ckHide"}) {
            EXPECT_EQ(h.child<QCheckBox>(box)->checkState(), Qt::Unchecked) << box;
            EXPECT_FALSE(h.child<QCheckBox>(box)->isTristate()) << box;
        }
        EXPECT_FALSE(h.child("Command1")->isEnabled());
        EXPECT_EQ(h.status(), u"Welcome to Pagegleaner - click the About Button for help"_s);
    }
}

TEST(MainWindowTest, EscapeShutsDownSavingTheJobAndTheHistory) {
    MainWindowHarness h;
    h.settings.values = {{u"URL"_s, u"http://a/"_s}, {u"All"_s, u"1"_s}, {u"Max"_s, u"1"_s}};
    h.writeHistory({u"http://a/|/a|1|gif|||\r\n"_s, u"http://b/|/b|0|jpg|||\r\n"_s});
    h.start();
    QTest::keyClicks(h.child("Text5"), u"bob"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(h.window->isVisible());
    const QMap<QString, QString> saved{
        {u"URL"_s, u"http://a/"_s}, {u"DDir"_s, {}},
        {u"All"_s, u"1"_s},         {u"FTypes"_s, u"gif,jpg,exe,htm,html"_s},
        {u"User"_s, u"bob"_s},      {u"Pwd"_s, {}},
        {u"Hide"_s, u"0"_s},        {u"Max"_s, u"1"_s}};
    EXPECT_EQ(h.settings.values, saved);
    EXPECT_EQ(h.historyFile(), u"http://a/|/a|1|gif|||\r\n"_s);  // Max 1: the newest only
}

// A list with a checked entry meets a scan of another URL.
TEST(MainWindowTest, ExtractCommandAndCheckMarks) {
    struct Case {
        QString url;
        int httpStatus, rows;
        QString countLabel;
        PageScanStatus status;
    };
    for (const Case& c :
         {Case{u"www.h.example/"_s, 200, 12, {}, PageScanStatus::BadPrefix},
          Case{kFileBase, 404, 0, {}, PageScanStatus::RequestFailed},
          Case{kFileBase, 200, 12, u"12 extracted file URLs"_s, PageScanStatus::Extracted}}) {
        MainWindowHarness h;
        h.start();
        h.extract(kTwelveFiles);
        auto* list = h.child<QListView>("lstImages");
        for (const bool checked : {true, false, true}) {
            SetChecked(list, 3, checked);
            EXPECT_EQ(h.status(), u"%1 files selected"_s.arg(int(checked)));
            EXPECT_EQ(h.child("Command1")->isEnabled(), checked);
        }
        h.child<QLineEdit>("Text1")->setText(c.url);
        h.page.status = c.httpStatus;
        h.child<QPushButton>("Command2")->click();
        EXPECT_EQ(list->model()->rowCount(), c.rows);
        EXPECT_EQ(h.child<QLabel>("Label2")->text(), c.countLabel);
        EXPECT_FALSE(h.child("Command1")->isEnabled());
        EXPECT_EQ(h.status(), PageScanStatusText(c.status));
    }
}

// Entries 0 (a gif) and 11 are checked before each command.
TEST(MainWindowTest, SelectionCommands) {
    struct Case {
        const char* button;
        QString search, progress, statusText, marks;
        bool downloadEnabled;
    };
    for (const Case& c : {Case{"Command4",
                               {},
                               u"Selecting files..."_s,
                               u"12 files selected"_s,
                               u"xxxxxxxxxxxx"_s,
                               true},
                          Case{"Command5",
                               {},
                               u"Unselecting files..."_s,
                               u"12 files unselected"_s,
                               u"------------"_s,
                               false},
                          Case{"Command7", u"GIF"_s, u"Selecting files..."_s, u"4 files selected"_s,
                               u"xxxx-------x"_s, true},
                          Case{"Command4", {}, {}, u"No files to select"_s, {}, false}}) {
        MainWindowHarness h;
        h.start();
        auto* list = h.child<QListView>("lstImages");
        if (!c.marks.isEmpty()) {
            h.extract(kTwelveFiles);
            SetChecked(list, 0, true);
            SetChecked(list, 11, true);
        }
        h.child<QLineEdit>("Text2")->setText(c.search);
        QStringList progress;  // the status while the command walks the list
        QObject::connect(list->model(), &QAbstractItemModel::dataChanged,
                         [&] { progress.append(h.status()); });
        h.child<QPushButton>(c.button)->click();
        EXPECT_EQ(progress.join(u'|'), c.progress) << c.button;
        EXPECT_EQ(h.status(), c.statusText);
        EXPECT_EQ(Marks(list), c.marks);
        EXPECT_EQ(h.child("Command1")->isEnabled(), c.downloadEnabled);
        EXPECT_EQ(list->currentIndex().row(), c.marks.isEmpty() ? -1 : 0);
    }
}

TEST(MainWindowTest, EnterPressesTheFocusedButton) {
    MainWindowHarness h;
    h.start();
    QString opened;
    OnNextModal(h.window.get(), [&opened](QWidget* modal) {
        opened = modal->objectName();
        modal->findChild<QLineEdit*>(u"txtMax"_s)->setText(u"5"_s);
        FocusByTab(modal->findChild<QWidget*>(u"Command2"_s));  // Cancel
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        if (modal->isVisible()) {
            ADD_FAILURE() << "Enter on Cancel left the dialog open";
            qobject_cast<QDialog*>(modal)->reject();
        }
    });
    FocusByTab(h.child("Command9"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(opened, u"frmOptions"_s);
    EXPECT_FALSE(h.settings.values.contains(u"Max"_s));
}

TEST(JobFieldsTest, TypedBlanksAreDiscardedPastedOnesKeptAndHideMasks) {
    MainWindowHarness h;
    h.start();
    QApplication::clipboard()->setText(u"c d"_s);
    for (const char* name : {"Text1", "Text2", "Text3", "Text5", "Text6"}) {
        h.child<QLineEdit>(name)->clear();
        QTest::keyClicks(h.child(name), u"a b"_s);
        h.child<QLineEdit>(name)->paste();
        EXPECT_EQ(h.child<QLineEdit>(name)->text(), u"abc d"_s) << name;
    }
    for (const QString& shown : {u"*****"_s, u"abc d"_s}) {
        h.child<QCheckBox>("ckHide")->click();
        EXPECT_EQ(h.child<QLineEdit>("Text6")->displayText(), shown);
    }
}

// Leaving an edited field rewrites the record of the URL shown from all fields;
// an empty URL field finds no record, and focus alone rewrites nothing.
TEST(JobFieldsTest, LeavingAnEditedFieldRewritesTheCurrentUrlsRecord) {
    const QString a = u"http://a/|/a|0|gif|ua|pa|\r\n"_s, b = u"http://b/|/b|1|jpg|ub|pb|\r\n"_s;
    struct Case {
        QString url;
        bool edit;
        QString history;
    };
    for (const Case& c : {Case{u"http://b/"_s, true, a + u"http://b/|/dl|0|gif,png|||\r\n"_s},
                          Case{{}, true, a + b}, Case{u"http://b/"_s, false, a + b}}) {
        MainWindowHarness h;
        h.settings.values = {{u"URL"_s, c.url}, {u"DDir"_s, u"/dl"_s}, {u"FTypes"_s, u"gif"_s}};
        h.writeHistory({a, b});
        h.start();
        FocusByTab(h.child("Text3"));
        if (c.edit) {
            QTest::keyClick(h.child("Text3"), Qt::Key_End);
            QTest::keyClicks(h.child("Text3"), u",png"_s);
        }
        FocusByTab(h.child("Text5"));
        h.window->close();
        EXPECT_EQ(h.historyFile(), c.history) << c.url.toStdString() << c.edit;
    }
}

}  // namespace
}  // namespace pg::test
