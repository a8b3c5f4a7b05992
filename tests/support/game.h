// A game on a temporary data folder, driven through its own entry points.
#pragma once

#include "shell/fom.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace test {

using platform::Text;

// Text as UTF-8 for messages: EXPECT_EQ(u8(a), u8(b)) prints readable Japanese on failure.
std::string u8(const Text& t);

// Writes `lines` in code page 932, each ended by `eol` (CR LF unless told), the last one too
// unless `lastEol` is false.
void writeLines(const std::string& path, const std::vector<Text>& lines,
    const std::string& eol = "\r\n", bool lastEol = true);
void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
// The lines of a code page 932 file, split at CR LF.
std::vector<Text> readLines(const std::string& path);
// A picture file of w x h pixels in `format` ("PNG", "BMP", "JPEG", "ICO", ...), one colour;
// a GIF is always one pixel.
void writePicture(
    const std::string& path, int w, int h, const char* format, unsigned rgb = 0x336699);

// Records every music command and its result. Every command fails, as on a machine without
// music, unless `mode` or `device` is set.
class RecordingMci : public platform::Mci
{
public:
    int mciSendString(platform::TextView command, Text* reply, int replyLength) override;
    std::vector<Text> commands;
    std::vector<int> results;
    // When set, answers "status MIDI mode" with this text and every command succeeds.
    std::optional<Text> mode;
    // When set, every command is passed on to this device.
    std::unique_ptr<platform::Mci> device;
};

class Game
{
public:
    Game();
    ~Game();

    // The program's folder and its data folder. The user's data folder is home/.local/share in
    // the program's folder.
    std::string folder() const;
    std::string dat(const std::string& name) const;

    // Writes a data file: dat/NAME in code page 932 with CR LF.
    void file(const std::string& name, const std::vector<Text>& lines);

    // A story folder that plays: txt.dat with these captions and 0.dat with one text line.
    void minimalStory(const std::vector<Text>& captions = { u"喜び", u"優しさ" });

    // Creates the window and runs its load event.
    Fom& start();
    // Runs `f` as the dispatcher runs an event handler: a failure is reported and ends the game.
    void run(const std::function<void()>& f) { sys.dispatcher.deliver(f); }
    // Ticks the event timer until the player is idle or paused (at most `limit` ticks).
    int readOn(int limit = 1000);
    // Starts the game, reads the first event and opens the past-record list in the crafting turn.
    Fom& openPastRecords();
    // The text window's caption as UTF-8.
    std::string caption() { return u8(fom_->Lbl.Caption()); }
    // Presses and releases a key as the player does: at the widget that has the keyboard focus.
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    std::vector<std::string> listed();
    Fom& fom() { return *fom_; }

    platform::System sys;
    RecordingMci* mci;
    std::vector<Text> errors;
    bool exited = false;
    int exitCode = -1;

private:
    QTemporaryDir dir_;
    std::unique_ptr<Fom> fom_;
};

} // namespace test
