// Fom, the game's one window: its widgets, its state record and the shared counters, and every
// procedure of the game as a member. Each subsystem folder defines the procedures it owns:
//   shell/    the window, load, activation, paint, close, failures
//   event/    StartIve, the event step, ShowNext, the text-window click
//   craft/    the choice buttons, StartGame, the judgement tick, the board click
//   records/  the past-record list: kako.dat (where it is kept, loading, the rule that lists an
//             event, saving), the replay and the replay box click
//   view/     ShowImg, the line effect, the screen layout
//   music/    the background music procedures and their watchdog
#pragma once

#include "platform/controls.h"
#include "platform/form/form.h"
#include "platform/speech/speech.h"
#include "platform/system.h"
#include "shell/command_line.h"
#include "shell/keys.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>

class Fom
{
public:
    using Text = platform::Text;

    explicit Fom(platform::System& system);
    ~Fom();
    Fom(const Fom&) = delete;
    Fom& operator=(const Fom&) = delete;

    // Which story, and where the play begins (the command line); before load().
    void setStart(const StartOptions& start);
    // Runs the load event, as creating the window does. Then Me.Show() shows it.
    void load();

    platform::System& sys;

    // ---- the window and its widgets (in the order of the design; it fixes the stacking) ----
    platform::Form Me;
    platform::Timer Bgm_Check;
    platform::TextBox Txt;
    platform::ListBox Lst;
    platform::PictureBox Img;
    platform::Timer LineTim;
    platform::ControlArray<platform::Line> Linel;
    platform::PictureBox Dfe;
    platform::ListBox TxtPic;
    platform::Timer GameTim;
    platform::Timer TimIve;
    platform::ControlArray<platform::CommandButton> Com;
    platform::Label LblCom;
    platform::Label Lbl;
    // What the game says for a player who does not see the screen.
    platform::Speech speech;

    // ---- the state record of the window ----
    Text AppPath; // folder of the program, ending in the path separator
    Text DatPath; // the story folder, with its separator: every file of the story lies here
    short FileNo = 0; // the text file read line by line: txt.dat at load, then the event script
    Text LineBuf; // the last line read; scratch text of the judgement
    Text ReplayLine; // the last line read while replaying a past event
    short ReplayNo = 0; // file number of the script being replayed
    short Point = 0; // the score of this play-through, never below 0
    std::array<Text, 3> HanKey; // the key lines of the current crafting turn
    std::optional<long> IveNo; // number of the next event of the route; empty in an ending
    Text IveRoute; // "" before the route branch, then "a" or "b"
    Text IveEnd; // "" until the ending branch, then "g" or "b"
    short KakoNo = 0; // file number of kako.dat while it is read and written

    // ---- shared counters ----
    short Cnt = 0; // loop counter, page-line counter, choice counter, judgement row
    Text StarStr; // the star bar of the event header
    short Cnt2 = 0; // second loop counter
    bool BgmOn = false; // the music has been started and not stopped

    // ---- shell/ ----
    void Form_Load();
    void Form_Activate();
    void Form_Paint();
    void Form_Unload();

    // ---- event/ ----
    void StartIve();
    // The text window shows an event's header: the event's first text is on screen.
    bool showsEventHeader() const;
    // The text window shows a page's prompt: the page waits, or the script has been read out.
    bool showsPagePrompt() const;
    void TimIve_Timer();
    void ShowNext();
    void Lbl_MouseDown(platform::MouseButton button);

    // ---- craft/ ----
    void Com_Click(short index);
    void StartGame();
    void GameTim_Timer();
    void TxtPic_Click();

    // ---- records/ ----
    void LoadKako();
    void ListIve(const Text& name);
    void SaveKako();
    void Lst_Click();
    void AddReplayLine();
    void Txt_Click();

    // ---- view/ ----
    void ShowImg(const Text& name);
    void LineTim_Timer();
    void Form_Resize();

    // ---- music/ ----
    void BgmOpen(const Text& path);
    void BgmClose();
    void BgmPlay();
    void BgmStop();
    void Bgm_Check_Timer();

private:
    // The window as designed: the controls' first places, their names for screen readers, and
    // the procedures that handle their events.
    void placeControls();
    void nameControls();
    void connectEvents();
    // ---- shell/keyboard.cpp: the game's keys, each turned into the click the mouse makes ----
    void setUpKeyboard();
    bool keyPressed(const platform::KeyPress& key, const platform::Control* at);
    keys::Place placeOf(const platform::Control* at);
    const platform::Control* focusBelongs();
    platform::CommandButton* choice(int position);
    void moveAmongChoices(const platform::Control* from, int step);
    void moveFocusRound(const platform::Control* from, int step);

    void LoadCom(short index);
    void ShowReplayPictures();
    // A line of the replay's own (not of the script): shown and said as the script's lines are.
    void addNote(platform::TextView note);
    void ReadKako(const Text& path, const std::function<void(const Text&)>& add);
    void LoadKakoFrom(const Text& path);
    void JoinKako(const Text& other, bool start);
    void Failed(const platform::RuntimeError& error);
    void LayoutFrom(bool failedBefore);
    // The state names `event` as the one to open next.
    void goTo(const story::EventParts& event);

    // The event script being played, for messages about it.
    Text scriptPath_;
    // What each row of the board says to a player who does not see it: the caption chosen, then
    // its verdict, then the closing prompt.
    std::vector<Text> boardSaid_;
    // The replay being built, what it says, and the pictures its script names, in order.
    Text replayText_;
    Text replaySaid_;
    std::vector<Text> replayPictures_;
    StartOptions start_;
    // Begun as an author's trial (--event, --score): the list is shown but never saved, for the
    // whole run, also once the story has started over.
    bool trialRun_ = false;
    // A kako.dat beyond these is no list the game wrote: it is not read whole, nor replaced.
    static constexpr long long MaxKakoBytes = 32LL * 1024 * 1024;
    static constexpr int MaxKakoEntries = 2'000'000;
    // Where the list is kept: the story folder, or the user's folder for that story when the
    // story folder cannot be written. Empty when there is no such place (no home folder).
    Text kakoFolder_;
    Text kakoPath_;
    // The list file as it was when the game read it: a save that finds it changed (another copy
    // of the game saved meanwhile) joins what the file holds now with its own list.
    platform::Files::Stamp kakoStamp_;
    // kako.dat was read at load (or found missing): the close step may replace it.
    bool kakoLoaded_ = false;
    // kako.dat exists but could not be read whole: it is left as it is, never replaced.
    Text kakoUnreadable_;
    bool kakoSaving_ = false;
};
