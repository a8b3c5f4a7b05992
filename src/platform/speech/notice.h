// What a screen reader speaks for the game: a notification in a status bar of the window that
// nobody sees. Notifications inside a status bar are spoken without their role's name. Private
// to the platform.
#pragma once

#include "platform/text.h"

class QWidget;

namespace platform {

class NoticeWidget;
class VoiceBarWidget;

class Notice
{
public:
    // The bar is made on `window`, with the name `barName`, when the first notice is given.
    Notice(QWidget* window, Text barName);
    // Shown once per utterance: the screen reader speaks a notification as it appears.
    void give(const Text& text);

private:
    QWidget* window_;
    Text barName_;
    VoiceBarWidget* bar_ = nullptr;
    NoticeWidget* notice_ = nullptr;
};

} // namespace platform
