// The deck's keys: a bound key runs wherever the focus is, unless it would type in the
// focused list or text box (the space bar only in a text box); a jog key's release ends the jog.
#include "deck/deck_keys.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "qt_print.h"

namespace luma::test {
namespace {

TEST(DeckKeysTest, BoundKeysRunUnlessTheyWouldTypeInAList) {
    QWidget window;
    auto* list = new QListWidget(&window);
    auto* path = new QLineEdit(&window);
    std::vector<DeckCommand> ran;
    DeckKeys deckKeys(window, [&](DeckCommand command) { ran.push_back(command); },
                      {{Qt::Key_Y, DeckCommand::Sync},
                       {Qt::CTRL | Qt::Key_G, DeckCommand::Quantize},
                       {Qt::Key_F7, DeckCommand::BeatLoop4},
                       {Qt::Key_Space, DeckCommand::PlayPause},
                       {Qt::CTRL | Qt::Key_Left, DeckCommand::JogBack}});
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    list->setFocus();

    QTest::keyClick(list, Qt::Key_Y);  // types: a search in the list
    EXPECT_TRUE(ran.empty());
    QTest::keyClick(list, Qt::Key_G, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_F7);
    EXPECT_EQ(ran, (std::vector{DeckCommand::Quantize, DeckCommand::BeatLoop4}));
    window.setFocus();
    QTest::keyClick(&window, Qt::Key_Y);  // nothing to type into: the key is the deck's
    EXPECT_EQ(ran.back(), DeckCommand::Sync);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);  // a list types no space: the deck plays
    EXPECT_EQ(ran.back(), DeckCommand::PlayPause);
    ran.clear();
    path->setFocus();
    QTest::keyClicks(path, "y z");
    EXPECT_EQ(path->text(), "y z");
    EXPECT_TRUE(ran.empty());

    // A held jog key jogs once, however long the keyboard repeats it.
    list->setFocus();
    QTest::keyPress(list, Qt::Key_Left, Qt::ControlModifier);
    QTest::simulateEvent(list, true, Qt::Key_Left, Qt::ControlModifier, "", true);  // a repeat
    QTest::keyRelease(list, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(ran, (std::vector{DeckCommand::JogBack, DeckCommand::JogEnd}));
}

}  // namespace
}  // namespace luma::test
