// The process the game runs in: its standard descriptors, broken pipes, the messages of the
// libraries it uses, and the end of the program when the toolkit decides it on its own.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

// The first thing the program does, before the toolkit starts:
// - a closed standard input, output or error is opened again on /dev/null, so that no file,
//   socket or display connection opened later takes its number (a message written to standard
//   error would go into it);
// - standard error on a pipe or a terminal never makes the program wait: what cannot be written
//   at once is dropped;
// - writing to a pipe whose reader has gone fails instead of ending the program (SIGPIPE);
// - every message of Qt and of its plug-ins goes through one handler, which writes it to
//   standard error without ever waiting and shows each message at most MaxMessageRepeats times.
void prepareProcess();

// How often one message is shown; numbers in it do not count (a message that differs only in
// its numbers is the same message). After MaxMessageKinds different messages no more are shown.
constexpr int MaxMessageRepeats = 3;
constexpr int MaxMessageKinds = 1000;

// Writes `text` to standard error as far as it can be written at once: it never waits. A full
// pipe nobody reads, or one whose reader has gone, drops the text.
void writeStandardError(std::string_view text);

// `handler` runs once, on the program's main thread, when the toolkit ends the program by
// itself: Qt ends it when the connection to the display breaks (a killed or crashed display
// server or compositor, a dropped remote desktop), from whichever of its threads found it out,
// or when it reports a fatal error. Another thread that is about to end the program waits until
// the handler has returned. The program ends when the handler returns. An empty handler disarms
// it.
void onToolkitEnd(std::function<void()> handler);

// True once that handler has started: the display may be gone, so nothing may wait on it.
bool toolkitEnding();

} // namespace platform
