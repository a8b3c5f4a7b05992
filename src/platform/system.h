// The services of the machine the game runs on: the event dispatcher, files, the random
// generator, the music device, the program's folder, the error report and the end of the
// program. A test builds its own, with its own folder, and captures reports instead of showing
// them.
#pragma once

#include "platform/dispatcher.h"
#include "platform/files/files.h"
#include "platform/mci.h"
#include "platform/random.h"

#include <functional>
#include <memory>

namespace platform {

class System
{
public:
    System();
    ~System();

    Dispatcher dispatcher;
    Files files;
    Random random;
    std::unique_ptr<Mci> mci;

    // The folder that holds the running program.
    Text programFolder;
    // The folder where programs keep this user's data: $XDG_DATA_HOME when it is set to a full
    // path, else ~/.local/share; empty when the user has no home folder.
    Text userDataFolder;
    // How long the close step waits for another copy of the game to finish saving the same list
    // of past records before it saves all the same.
    int saveLockWaitMs = 2000;
    // Shows one error report to the player.
    std::function<void(const Text& message)> showError;
    // Leaves the event loop with an exit code.
    std::function<void(int code)> exitProgram;

    // Runs `handler` on the event thread when the system asks the program to end (SIGTERM,
    // SIGINT, SIGHUP), so the program can close as if its window were closed; and at once, before
    // the program goes, when the toolkit ends it by itself (the display connection broke). While
    // the error report is open, a request closes the report instead: the program then ends as
    // the report ends it. A report of a failure on the way out after a request (the list could
    // not be saved) is written to standard error only: nobody may be there to close it.
    void onTerminationRequest(std::function<void()> handler);

    // Ends the program at once: no further event is handled, open files are closed (output
    // files not closed yet are dropped, never half-written), the event loop is left.
    void end(int code);
    bool ended() const { return ended_; }
    int exitCode() const { return exitCode_; }

private:
    bool ended_ = false;
    int exitCode_ = 0;
};

} // namespace platform
