// The keyboard: what each key means, the clicks keys make on what the player is looking at, and
// the focus that follows the phases of the game.
#include "support/game.h"

#include "shell/keys.h"

#include <QApplication>
#include <QLabel>
#include <QWheelEvent>

using namespace platform;

TEST(KeyRules, EachKeyHasOneMeaningWhateverHasTheFocus)
{
    using keys::Command;
    const auto meaning = [](Key key, KeyMods mods = {}, int digit = 0) {
        return keys::meaning({ .key = key, .digit = digit, .mods = mods, .autoRepeat = false });
    };
    for (Key key : { Key::Space, Key::Return, Key::Enter })
        EXPECT_EQ(meaning(key), Command::Press) << int(key);
    for (Key key : { Key::Down, Key::PageDown })
        EXPECT_EQ(meaning(key), Command::Next) << int(key);
    EXPECT_EQ(meaning(Key::Space, { .shift = true }), Command::Press);
    EXPECT_EQ(meaning(Key::Space, { .ctrl = true }), Command::None);
    EXPECT_EQ(meaning(Key::Up), Command::Previous);
    EXPECT_EQ(meaning(Key::Control, { .ctrl = true }), Command::ReadFast);
    EXPECT_EQ(meaning(Key::Escape), Command::Close);
    EXPECT_EQ(meaning(Key::Digit, {}, 1), Command::Choose);
    EXPECT_EQ(meaning(Key::Digit, {}, 9), Command::Choose);
    EXPECT_EQ(meaning(Key::Digit, {}, 0), Command::None);
    EXPECT_EQ(meaning(Key::Digit, { .alt = true }, 1), Command::None);
    EXPECT_EQ(meaning(Key::Q, { .ctrl = true }), Command::Quit);
    EXPECT_EQ(meaning(Key::Q), Command::None);
    EXPECT_EQ(meaning(Key::F11), Command::FullScreen);
    EXPECT_EQ(meaning(Key::Return, { .alt = true }), Command::FullScreen);
    EXPECT_EQ(meaning(Key::Enter, { .alt = true }), Command::FullScreen);
    EXPECT_EQ(meaning(Key::V), Command::Voice);
    EXPECT_EQ(meaning(Key::V, { .shift = true }), Command::None);
}

TEST(KeyRules, WhatAKeyDoesDependsOnWhereThePlayerIs)
{
    using keys::Action;
    using keys::Place;
    const auto action = [](Key key, Place place) {
        return keys::action({ .key = key, .digit = 0, .mods = {}, .autoRepeat = false }, place);
    };
    EXPECT_EQ(action(Key::Space, Place::Reading), Action::PressText);
    EXPECT_EQ(action(Key::PageDown, Place::Reading), Action::PressText);
    EXPECT_EQ(action(Key::Up, Place::Reading), Action::None);
    EXPECT_EQ(action(Key::Return, Place::Board), Action::ClickBoard);
    EXPECT_EQ(action(Key::Return, Place::List), Action::ClickEntry);
    EXPECT_EQ(action(Key::Down, Place::List), Action::None) << "the list moves itself";
    EXPECT_EQ(action(Key::Space, Place::Choosing), Action::PickChoice);
    EXPECT_EQ(action(Key::Down, Place::Choosing), Action::NextChoice);
    EXPECT_EQ(action(Key::PageUp, Place::Choosing), Action::PreviousChoice);
    EXPECT_EQ(action(Key::Space, Place::Elsewhere), Action::None) << "a button's own Space";
    EXPECT_EQ(action(Key::Space, Place::Replay), Action::None) << "the replay scrolls";
    EXPECT_EQ(action(Key::Control, Place::Choosing), Action::None);
    for (Place place : { Place::Reading, Place::Choosing, Place::List, Place::Elsewhere }) {
        EXPECT_EQ(action(Key::Escape, place), Action::CloseRecords);
        EXPECT_EQ(action(Key::V, place), Action::ToggleVoice);
        EXPECT_EQ(action(Key::F11, place), Action::FullScreen);
    }
}

namespace {

// Two pages of text, three feelings, and a second event: a whole event and a turn.
struct Keys : test::Game
{
    Fom& f;
    Keys()
        : f((file("txt.dat", { u"喜び", u"優しさ", u"勇気" }),
            file("0.dat", { u"一", u"二", u"三", u"四", u"五", u"六" }), file("1.dat", { u"つぎ" }),
            file("0_han.dat", { u"喜び", u"勇気", u"" }), start()))
    {
        f.Me.Show();
        QApplication::setActiveWindow(f.Me.widget()); // as the window manager does
    }
    const Control* focused() { return f.Me.focusedControl(); }
    int quit() { return f.Com.UBound(); }
    int past() { return f.Com.UBound() - 1; }
    void judge()
    {
        while (f.GameTim.Enabled() && f.GameTim.Interval() > 0)
            f.GameTim.fire();
    }
};

} // namespace

TEST(Keyboard, AnEventAndACraftingTurnPlayWithTheKeyboardAloneAndSpaceNeverQuits)
{
    Keys g;
    EXPECT_EQ(g.focused(), &g.f.Lbl) << "while reading, the text window has the focus";
    // Space at every pause reads the event to its end; then it starts the turn.
    for (int presses = 0; g.f.Lbl.Visible() && presses < 20; ++presses) {
        g.readOn();
        g.key(Qt::Key_Space);
    }
    ASSERT_TRUE(g.f.TxtPic.Visible()) << "the crafting turn began";
    EXPECT_EQ(g.focused(), &g.f.Com(0)) << "the first choice has the focus";
    g.key(Qt::Key_Space); // still meant for the text: picks nothing
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.f.TxtPic.ListCount(), 0);

    g.key(Qt::Key_1);
    g.key(Qt::Key_3);
    g.key(Qt::Key_Down); // the player moves to the next choice; now Space picks it
    EXPECT_EQ(g.focused(), &g.f.Com(1));
    g.key(Qt::Key_Space);
    g.key(Qt::Key_Down);
    g.key(Qt::Key_Down); // no further than the last choice, never onto the past-record button
    EXPECT_EQ(g.focused(), &g.f.Com(2));
    g.key(Qt::Key_Return);
    g.key(Qt::Key_4); // the past-record button's position: no choice, nothing happens
    g.key(Qt::Key_2);
    ASSERT_EQ(g.f.TxtPic.ListCount(), 5);
    EXPECT_EQ(test::u8(g.f.TxtPic.List(4)), "優しさ");
    EXPECT_FALSE(g.f.Lst.Visible());
    EXPECT_EQ(g.focused(), &g.f.TxtPic) << "every choice made: the board has the focus";

    g.key(Qt::Key_Space); // ignored while judging, as a click is
    EXPECT_TRUE(g.f.TxtPic.Visible());
    g.judge();
    g.key(Qt::Key_PageDown);
    EXPECT_TRUE(g.f.Lbl.Visible()) << "the next event began";
    EXPECT_EQ(g.listed(), (std::vector<std::string> { "0", "1" }));
    EXPECT_EQ(g.focused(), &g.f.Lbl);
    EXPECT_FALSE(g.exited);
}

TEST(Keyboard, TheFocusRestsOnTheQuitOrPastRecordButtonOnlyAfterATab)
{
    Keys g;
    // The toolkit moves the focus to the only enabled button when the others are disabled;
    // the game puts it back on the text window at once.
    for (int i = 0; i < 30; ++i) {
        g.key(i % 2 ? Qt::Key_Space : Qt::Key_Return);
        g.readOn();
        EXPECT_NE(g.focused(), &g.f.Com(g.quit()));
    }
    EXPECT_FALSE(g.exited);
    // A turn, the list and the replay: the focus goes to each and comes back.
    g.f.Com(g.past()).click();
    EXPECT_EQ(g.focused(), &g.f.Lst);
    g.key(Qt::Key_Down); // the first entry
    g.key(Qt::Key_Return);
    EXPECT_TRUE(g.f.Txt.Visible()) << "Return reads the entry again";
    EXPECT_EQ(g.focused(), &g.f.Txt);
    g.key(Qt::Key_Escape);
    EXPECT_FALSE(g.f.Txt.Visible());
    EXPECT_FALSE(g.f.Lst.Visible());
    EXPECT_EQ(g.focused(), &g.f.Com(0));
    g.f.Com(g.past()).click();
    g.key(Qt::Key_Escape);
    EXPECT_FALSE(g.f.Lst.Visible()) << "Escape closes the list alone too";

    // Tab, and only Tab, reaches the quit button; there Space quits.
    for (int tabs = 0; g.focused() != &g.f.Com(g.quit()) && tabs < 10; ++tabs)
        g.key(Qt::Key_Tab);
    ASSERT_EQ(g.focused(), &g.f.Com(g.quit()));
    g.key(Qt::Key_Space);
    EXPECT_TRUE(g.exited);
    EXPECT_EQ(g.exitCode, 0);
}

TEST(Keyboard, CtrlReadsFastTheWheelReadsOnAndCtrlQClosesTheGame)
{
    Keys g;
    g.key(Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(g.f.TimIve.Interval(), 1) << "as a right click";
    g.readOn();
    EXPECT_NE(g.caption().find("六"), std::string::npos) << "fast reading does not pause";

    Keys w;
    w.readOn();
    const std::string page = w.caption();
    QLabel* text = nullptr;
    for (QLabel* l : w.f.Me.widget()->findChildren<QLabel*>())
        if (l->text().startsWith("Quillet"))
            text = l;
    ASSERT_NE(text, nullptr);
    const auto turn = [&](int delta) {
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(text, &wheel);
    };
    turn(120); // up: nothing
    turn(-60); // half a notch: nothing yet
    EXPECT_EQ(w.caption(), page);
    turn(-60);
    EXPECT_EQ(w.f.TimIve.Interval(), 100) << "a left click on the text window";
    w.readOn();
    EXPECT_NE(w.caption(), page);

    w.key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(w.exited);
    EXPECT_EQ(w.exitCode, 0);
    EXPECT_EQ(test::readLines(w.dat("kako.dat")), std::vector<Text> { u"0" });
}
