// The arithmetic of the window on a desktop, apart from the toolkit: where the form's grid lies in
// the client area, the size the window first takes on a screen and the sizes it may take. Sizes
// are in pixels; a frame is the total width and height that the window manager adds around the
// client. The shape the game lays the window out in is passed in (an aspect of 0 x 0: any shape).
#pragma once

namespace platform::window {

struct Size
{
    int w = 0, h = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect
{
    int x = 0, y = 0, w = 0, h = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The outer shape of the window, width to height.
struct Aspect
{
    int w = 0, h = 0;
    bool any() const { return w <= 0 || h <= 0; }
};

// The largest area of the aspect centred in a client area (the letterbox).
Rect letterbox(Size client, Aspect aspect);

// The window has the shape the layout gives it: its outer size has the aspect, to within a pixel.
bool hasLayoutShape(Size client, Size frame, Aspect aspect);

// Where the grid lies: the whole client area when the window has the layout's shape, the
// letterbox when the window could not take it (maximised, full screen, a tiling window manager).
Rect gridArea(Size client, Size frame, Aspect aspect);

// The text in a letterbox that is lower than the client area is shown as a window of the
// letterbox's size would show it: its font sizes are scaled by this factor (1 otherwise).
double fontScale(Size client, Size frame, const Rect& grid);

// The first client size on a screen whose available area (without panels) is `available`:
// unchanged when the outer size fits, else the largest outer size of the aspect that fits.
Size fitClient(Size client, Size frame, Size available, Aspect aspect);

// The client sizes the window may take: at least the legible outer size (the game's) or the
// available area, whichever is smaller; at most the desktop (all screens together).
Size minClient(Size legibleOuter, Size frame, Size available);
Size maxClient(Size desktop);
Size bounded(Size size, Size min, Size max);

} // namespace platform::window
