// What the story tools need of the toolkit: pictures read and lines measured in the game's face
// the way the game does, without a display.
#pragma once

#include <memory>

namespace platform {

// The toolkit's application on its offscreen platform, for the life of the object. Only its
// critical messages are shown (on standard error): its other notes (a missing runtime folder, a
// font substituted) are no concern of an author's.
class ToolSession
{
public:
    ToolSession(int& argc, char** argv);
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
