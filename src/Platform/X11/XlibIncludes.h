#pragma once

// Every X11 header the backends use, included in one place. Xlib defines `Status` (and
// `Bool`) as macros, which would break the core's own `Status`; once all X headers are in,
// the macros are replaced by typedefs with other names. X11 backend files include this
// instead of any <X11/...> header.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>
#include <xcb/randr.h>
#include <xcb/xcbext.h>  // xcb_poll_for_reply: answers collected without waiting

using XStatus = int;
#undef Status
#undef Bool
