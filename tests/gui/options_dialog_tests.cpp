#include "gui/options_dialog.h"
#include "gui_harness.h"

#include <QMenu>

namespace pg::test {
namespace {

// A stored value shows whole, while typing stops at three digits. Leaving a
// field normalizes it when the focus moves to another control of the dialog,
// not when a context menu opens or another window becomes active. Enter
// presses the focused button.
TEST(OptionsDialogTest, FieldsShowStoredValuesWholeLimitTypingAndNormalizeOnLeaving) {
    Options options;
    options.remotePort = u"8080"_s;
    FakeServices store;
    OptionsDialog dialog(options, store);
    dialog.show();
    auto* secs = dialog.findChild<QLineEdit*>(u"txtSecs"_s);
    FocusByTab(secs);
    secs->clear();
    QTest::keyClicks(secs, u"050"_s);
    QMenu menu;
    menu.addAction(u"Paste"_s);
    menu.popup(secs->mapToGlobal(QPoint()));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&menu));
    menu.close();
    QWidget other;
    other.show();
    FocusByTab(&other);
    EXPECT_EQ(secs->text(), u"050"_s);
    FocusByTab(secs);
    FocusByTab(dialog.findChild<QWidget*>(u"Command1"_s));
    EXPECT_EQ(secs->text(), u"50"_s);
    auto* max = dialog.findChild<QLineEdit*>(u"txtMax"_s);
    FocusByTab(max);
    max->clear();
    QTest::keyClicks(max, u"5x 67"_s);
    EXPECT_EQ(max->text(), u"567"_s);
    QTest::keyClick(max, Qt::Key_Backspace);
    QTest::keyClicks(max, u"8"_s);
    FocusByTab(dialog.findChild<QWidget*>(u"Command2"_s));  // Cancel
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(store.values.isEmpty());
    dialog.show();
    dialog.findChild<QPushButton*>(u"Command1"_s)->click();
    const QMap<QString, QString> saved{
        {u"Max"_s, u"568"_s}, {u"RemPort"_s, u"8080"_s}, {u"Secs"_s, u"50"_s}};
    EXPECT_EQ(store.values, saved);
}

// OK saves the three texts as they stand: a stored value that the rules
// would change stays as it was unless its field was left (txtMax, which had
// the focus). Enter in a field just edited leaves that field first.
TEST(OptionsDialogTest, OkSavesTheTextsUnchangedExceptAFieldJustEdited) {
    for (const auto& [edited, saved] :
         {std::pair{"txtMax", u"007|abc|045"_s}, std::pair{"txtRemPort", u"7|80|045"_s}}) {
        Options options{.historyLimit = u"007"_s, .remotePort = u"abc"_s, .waitSecs = u"045"_s};
        FakeServices store;
        OptionsDialog dialog(options, store);
        dialog.show();
        auto* field = dialog.findChild<QLineEdit*>(QString::fromLatin1(edited));
        FocusByTab(field);
        if (field->objectName() == u"txtRemPort"_s) {
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Backspace);
        }
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(QStringList({options.historyLimit, options.remotePort, options.waitSecs}),
                  saved.split(u'|'));
        EXPECT_EQ(store.values.value(u"RemPort"_s), options.remotePort);
    }
}

}  // namespace
}  // namespace pg::test
