// The controls the game is written against: labels, buttons, list boxes, a text box, picture
// boxes, lines, timers and indexed groups of them, placed in the form's scale units (one control
// a file in controls/ and picture/).
//
// Positions on the form are stored in twips (1/1440 inch) and read back in the form's current
// scale: twips until the game sets a user scale, then the user's units. Picture boxes measure
// their inside in pixels. Every event reaches the game through the Dispatcher, so a failure in
// a handler ends in one error report instead of a crash.
//
// Names: what the game itself reads and calls keeps the spelling of the toolkit the game was
// written for, in upper camel case: properties (Caption, Enabled, Visible, Left, BackColor,
// ListCount ...), methods (Move, AddItem, PaintPicture ...) and the functions and statements of
// its language elsewhere in this folder (Str, Mid, FreeFile, LineInput ...). Writing a property
// is setCaption, setEnabled ... Everything else in this folder, what the platform adds and what
// only tests use, is in Qt's lower camel case (onClick, click, press, surfacePixel, ticking).
// TextBox::text() is the one property in lower case: Text is our string type.
#pragma once

#include "platform/controls/command_button.h"
#include "platform/controls/control.h"
#include "platform/controls/control_array.h"
#include "platform/controls/label.h"
#include "platform/controls/list_box.h"
#include "platform/controls/text_box.h"
#include "platform/controls/timer.h"
#include "platform/picture/line.h"
#include "platform/picture/picture.h"
#include "platform/picture/picture_box.h"
