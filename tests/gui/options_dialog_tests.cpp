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
    auto* max = dialog.findChild<QLineEdit*>(u"txtMax"_s);
    for (const auto& [name, typed, shown] :
         {std::tuple{"txtSecs", u"050"_s, u"50"_s}, std::tuple{"txtMax", u"000"_s, u"1"_s}}) {
        auto* field = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
        FocusByTab(field);
        field->clear();
        QTest::keyClicks(field, typed);
        QMenu menu;
        menu.addAction(u"Paste"_s);
        menu.popup(field->mapToGlobal(QPoint()));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&menu));
        menu.close();
        QWidget other;
        other.show();
        FocusByTab(&other);
        EXPECT_EQ(field->text(), typed) << name;
        FocusByTab(field);
        FocusByTab(dialog.findChild<QWidget*>(u"Command1"_s));
        EXPECT_EQ(field->text(), shown) << name;
    }
    FocusByTab(max);
    max->end(false);
    QTest::keyClicks(max, u"5x 67"_s);
    EXPECT_EQ(max->text(), u"156"_s);
    QTest::keyClick(max, Qt::Key_Backspace);
    QTest::keyClicks(max, u"7"_s);
    FocusByTab(dialog.findChild<QWidget*>(u"Command2"_s));  // Cancel
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(store.values.isEmpty());
    dialog.show();
    dialog.findChild<QPushButton*>(u"Command1"_s)->click();
    const QMap<QString, QString> saved{
        {u"Max"_s, u"157"_s}, {u"RemPort"_s, u"8080"_s}, {u"Secs"_s, u"50"_s}};
    EXPECT_EQ(store.values, saved);
}

}  // namespace
}  // namespace pg::test
