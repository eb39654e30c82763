#include "window_fixture.h"

#include "app/frmMain.h"
#include "app/frmOptions.h"
#include "history/history_store.h"
#include "platform/settings_store.h"
#include "scan/file_list_model.h"
#include "scan/page_fetch.h"

#include "support/isolated_home.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace pg {
namespace {

class MainWindowTest : public test::WindowFixture {
protected:
    QString historyPath() const { return services.historyFilePath; }
};

TEST_F(MainWindowTest, FirstRunState) {
    auto w = makeWindow();
    EXPECT_EQ(w->windowTitle(), u"Pagegleaner 1.0"_s);
    for (const char* name : {"Text1", "Text4", "Text5", "Text6", "Text2"}) {
        EXPECT_TRUE(child<QLineEdit>(w.get(), name)->text().isEmpty()) << name;
    }
    EXPECT_EQ(child<QLineEdit>(w.get(), "Text3")->text(), u"gif,jpg,exe,htm,html"_s);
    EXPECT_EQ(child<QCheckBox>(w.get(), "ckAll")->checkState(), Qt::Unchecked);
    EXPECT_EQ(child<QCheckBox>(w.get(), "ckHide")->checkState(), Qt::Unchecked);
    EXPECT_EQ(child<QLineEdit>(w.get(), "Text6")->echoMode(), QLineEdit::Normal);
    EXPECT_FALSE(child<QPushButton>(w.get(), "Command1")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(w.get(), "Text4")->isReadOnly());
    EXPECT_FALSE(child<QWidget>(w.get(), "WebBrowser1")->isVisible());
    EXPECT_EQ(w->statusText(), u"Welcome to Pagegleaner - click the About Button for help"_s);
    EXPECT_EQ(w->history().count(), 0);
}

TEST_F(MainWindowTest, TabOrderFollowsTheSteps) {
    auto w = makeWindow();
    const char* order[] = {
        "Text1",        "cmdGetURL", "Command10", "Text4",    "Command3",  "ckAll",    "Text3",
        "Text5",        "Text6",     "ckHide",    "Command2", "lstImages", "Command4", "Command5",
        "cmdViewImage", "Command7",  "Text2",     "Command1", "Command9",  "Command8", "Command6"};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget* from = child<QWidget>(w.get(), order[i]);
        QWidget* next = from->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisibleTo(w.get())) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next->objectName().toStdString(), order[i + 1]) << "after " << order[i];
    }
}

TEST_F(MainWindowTest, NoCaptionIsClipped) {
    auto w = makeWindow();
    for (QPushButton* button : w->findChildren<QPushButton*>()) {
        QString text = button->text();
        text.remove(u'&');
        EXPECT_LE(button->fontMetrics().horizontalAdvance(text), button->width())
            << button->objectName().toStdString();
    }
    for (QLabel* label : w->findChildren<QLabel*>()) {
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width() + 1)
            << label->objectName().toStdString();
    }
    EXPECT_EQ(w->minimumSize(), w->maximumSize());  // fixed border
}

TEST_F(MainWindowTest, StoredJobAndMaskAreRestored) {
    store.values = {{u"URL"_s, u"http://h/p.htm"_s},
                    {u"DDir"_s, u"/tmp/x"_s},
                    {u"All"_s, u"1"_s},
                    {u"FTypes"_s, u"png"_s},
                    {u"User"_s, u"me"_s},
                    {u"Pwd"_s, u"pw"_s},
                    {u"Hide"_s, u"1"_s},
                    {u"Max"_s, u"5"_s}};
    auto w = makeWindow();
    EXPECT_EQ(child<QLineEdit>(w.get(), "Text1")->text(), u"http://h/p.htm"_s);
    EXPECT_EQ(child<QLineEdit>(w.get(), "Text4")->text(), u"/tmp/x"_s);
    EXPECT_EQ(child<QCheckBox>(w.get(), "ckAll")->checkState(), Qt::Checked);
    EXPECT_EQ(child<QLineEdit>(w.get(), "Text6")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w->options().Max, u"5"_s);
    QTest::mouseClick(child<QCheckBox>(w.get(), "ckHide"), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>(w.get(), "Text6")->echoMode(), QLineEdit::Normal);
}

TEST_F(MainWindowTest, EscapeAnywhereSavesTheJobAndTheHistory) {
    for (const char* focus : {"Text1", "Text3", "lstImages", "Command2", "ckAll"}) {
        store.values.clear();
        QFile::remove(historyPath());
        auto w = makeWindow();
        w->history().append(u"http://saved/"_s, u"|/d|0|gif|||"_s);
        child<QLineEdit>(w.get(), "Text1")->setText(u"http://typed/"_s);
        child<QLineEdit>(w.get(), "Text5")->setText(u"user"_s);
        QWidget* target = child<QWidget>(w.get(), focus);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(w->isVisible()) << focus;
        EXPECT_EQ(store.values[u"URL"_s], u"http://typed/"_s) << focus;
        EXPECT_EQ(store.values[u"User"_s], u"user"_s) << focus;
        EXPECT_EQ(store.values[u"FTypes"_s], u"gif,jpg,exe,htm,html"_s) << focus;
        EXPECT_FALSE(store.values.count(u"Max"_s)) << "options are saved only by the dialog";
        UrlHistory readBack;
        ASSERT_TRUE(ReadHistoryFile(historyPath(), readBack)) << focus;
        EXPECT_EQ(readBack.count(), 1);
        EXPECT_EQ(w->statusText(), u"Saving URL list..."_s);
        QApplication::restoreOverrideCursor();  // the shut-down hourglass
    }
}

TEST_F(MainWindowTest, ExtractStatesFollowTheOutcome) {
    auto w = makeWindow();
    auto* url = child<QLineEdit>(w.get(), "Text1");
    auto* count = child<QLabel>(w.get(), "Label2");
    auto* extract = child<QPushButton>(w.get(), "Command2");

    // A page with two wanted files and one other.
    url->setText(u"HTTP://HOST/dir/page.htm"_s);
    child<QLineEdit>(w.get(), "Text5")->setText(u"u"_s);
    child<QLineEdit>(w.get(), "Text6")->setText(u"p"_s);
    fetcher.result = {true, 200, u"<img src=a.gif> <a href=b.zip> <a href=c.jpg>"_s, {}, {}};
    QTest::mouseClick(extract, Qt::LeftButton);
    EXPECT_EQ(fetcher.lastUrl, u"HTTP://HOST/dir/page.htm"_s);
    EXPECT_EQ(fetcher.lastUser, u"u"_s);
    EXPECT_EQ(fetcher.lastPassword, u"p"_s);
    EXPECT_EQ(w->fileList().list().entries(),
              (QStringList{u"HTTP://HOST/dir/a.gif"_s, u"HTTP://HOST/dir/c.jpg"_s}));
    EXPECT_EQ(count->text(), u"2 extracted file URLs"_s);
    EXPECT_EQ(w->statusText(), u"Web page file URLs extracted"_s);
    EXPECT_FALSE(child<QPushButton>(w.get(), "Command1")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A URL without a scheme keeps the previous list and makes no request.
    url->setText(u"host/page.htm"_s);
    QTest::mouseClick(extract, Qt::LeftButton);
    EXPECT_EQ(fetcher.calls, 1);
    EXPECT_EQ(w->statusText(),
              u"Unable to retrieve web page source - URL should begin with 'http://', "
              u"'https://', or 'ftp://'"_s);
    EXPECT_EQ(w->fileList().list().count(), 2);
    EXPECT_TRUE(count->text().isEmpty());

    // A refused request empties the list.
    url->setText(u"ftp.host/x"_s);
    fetcher.result = {true, 401, {}, {}, {}};
    QTest::mouseClick(extract, Qt::LeftButton);
    EXPECT_EQ(fetcher.calls, 2);
    EXPECT_EQ(w->statusText(),
              u"Unable to retrieve web page source - check internet connection, URL, user name "
              u"and password"_s);
    EXPECT_EQ(w->fileList().list().count(), 0);

    // An empty page.
    fetcher.result = {true, 200, {}, {}, {}};
    QTest::mouseClick(extract, Qt::LeftButton);
    EXPECT_EQ(w->statusText(),
              u"Unable to get web page source - check internet connection, URL, user name and "
              u"password"_s);

    // A page without wanted files.
    fetcher.result = {true, 200, u"<p>nothing</p>"_s, {}, {}};
    QTest::mouseClick(extract, Qt::LeftButton);
    EXPECT_EQ(count->text(), u"No extracted file URLs"_s);
    EXPECT_EQ(w->statusText(), u"Unable to find any web page file URLs"_s);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The Options dialog, shown on its own.
class OptionsDialogTest : public ::testing::Test {
protected:
    QLineEdit* field(const char* name) {
        return dialog->findChild<QLineEdit*>(QLatin1String(name));
    }
    QPushButton* button(const char* name) {
        return dialog->findChild<QPushButton*>(QLatin1String(name));
    }
    void open() {
        dialog = std::make_unique<frmOptions>(options, store);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }

    OptionValues options;
    MemorySettingsStore store;
    std::unique_ptr<frmOptions> dialog;
};

TEST_F(OptionsDialogTest, TypingAcceptsOnlyThreeDigits) {
    open();
    QLineEdit* max = field("txtMax");
    max->setFocus();
    max->selectAll();
    QTest::keyClicks(max, u"a1 b2-x34"_s);
    EXPECT_EQ(max->text(), u"123"_s);
    QTest::keyClick(max, Qt::Key_Backspace);
    EXPECT_EQ(max->text(), u"12"_s);
}

TEST_F(OptionsDialogTest, LeavingAFieldAppliesItsRule) {
    open();
    const struct {
        const char* name;
        const char* typed;
        const char* shown;
    } cases[] = {{"txtMax", "", "1"},
                 {"txtRemPort", "", "80"},
                 {"txtSecs", "", "0"},
                 {"txtSecs", "050", "50"},
                 {"txtMax", "007", "7"}};
    for (const auto& c : cases) {
        QLineEdit* f = field(c.name);
        f->setFocus();
        f->selectAll();
        QTest::keyClick(f, Qt::Key_Backspace);
        QTest::keyClicks(f, QString::fromUtf8(c.typed));
        QTest::keyClick(f, Qt::Key_Tab);
        EXPECT_EQ(f->text().toStdString(), c.shown) << c.name << " '" << c.typed << "'";
    }
}

TEST_F(OptionsDialogTest, OkSavesInOrderAndCancelKeepsEverything) {
    open();
    field("txtMax")->setText(u"5"_s);
    field("txtSecs")->setText(u"9"_s);
    QTest::keyClick(button("Command2"), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(options.Max, u"100"_s);
    EXPECT_TRUE(store.values.empty());

    open();
    EXPECT_EQ(field("txtMax")->text(), u"100"_s);  // the old value shows again
    field("txtMax")->setText(u"5"_s);
    field("txtRemPort")->setText(u""_s);
    QTest::mouseClick(button("Command1"), Qt::LeftButton);
    EXPECT_EQ(options.Max, u"5"_s);
    EXPECT_EQ(options.RemPort, u"80"_s);
    EXPECT_EQ(store.values[u"Max"_s], u"5"_s);
    EXPECT_EQ(store.values[u"RemPort"_s], u"80"_s);
    EXPECT_EQ(store.values[u"Secs"_s], u"60"_s);
}

TEST_F(MainWindowTest, OptionsButtonOpensTheDialogModally) {
    auto w = makeWindow();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
        seen = dialog != nullptr;
        if (dialog) {
            dialog->findChild<QLineEdit*>(u"txtSecs"_s)->setText(u"7"_s);
            QTest::keyClick(dialog, Qt::Key_Return);
        }
    });
    QTest::mouseClick(child<QPushButton>(w.get(), "Command9"), Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(w->options().Secs, u"7"_s);
    EXPECT_EQ(store.values[u"Secs"_s], u"7"_s);
}

}  // namespace
}  // namespace pg
