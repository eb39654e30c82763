#include "gui/options_dialog.h"
#include "gui_harness.h"

#include <QMenu>

namespace pg::test {
namespace {

TEST(OptionsDialogTest, StoredLongValueStaysWholeWhileTypingStopsAtThreeDigits) {
    Options options;
    options.remotePort = u"8080"_s;
    MemorySettings store;
    OptionsDialog dialog(options, store);
    dialog.show();
    auto* max = dialog.findChild<QLineEdit*>(u"txtMax"_s);
    EXPECT_EQ(dialog.findChild<QLineEdit*>(u"txtRemPort"_s)->text(), u"8080"_s);
    FocusByTab(max);
    max->end(false);
    QTest::keyClicks(max, u"5x "_s);
    EXPECT_EQ(max->text(), u"100"_s);
    QTest::keyClick(max, Qt::Key_Backspace);
    QTest::keyClicks(max, u"7"_s);
    dialog.findChild<QPushButton*>(u"Command1"_s)->click();
    const QMap<QString, QString> saved{
        {u"Max"_s, u"107"_s}, {u"RemPort"_s, u"8080"_s}, {u"Secs"_s, u"60"_s}};
    EXPECT_EQ(store.values, saved);
}

// The rule runs when the focus moves to another control of the dialog, not
// when a context menu opens or another window becomes active.
TEST(OptionsDialogTest, LeavingAFieldNormalizesIt) {
    for (const auto& [name, typed, shown] :
         {std::tuple{"txtMax", u""_s, u"1"_s}, std::tuple{"txtRemPort", u""_s, u"80"_s},
          std::tuple{"txtSecs", u""_s, u"0"_s}, std::tuple{"txtSecs", u"050"_s, u"50"_s}}) {
        Options options;
        MemorySettings store;
        OptionsDialog dialog(options, store);
        dialog.show();
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
}

}  // namespace
}  // namespace pg::test
