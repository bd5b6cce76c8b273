#pragma once
// The browser engine's own switches, set before the application object exists. Book pages
// need no network and web links open in the desktop's browser, so the engine's traffic goes
// to a proxy that does not exist, loopback addresses included, and WebRTC may send only
// through that proxy: no packet leaves from a page, not even a STUN or TURN one.
#include <QByteArray>

// The switches, as they are added to the engine's flags.
QByteArray EngineConfinementSwitches();

// Adds the switches to QTWEBENGINE_CHROMIUM_FLAGS, after whatever the user's environment
// holds there, so that they win over its own values.
void ConfineBrowserEngine();

// Lets the engine give its pages to the accessibility bus. On Linux, Qt WebEngine keeps
// them off unless told otherwise; told so, it builds a page's accessibility tree only while
// the toolkit's accessibility is active (an assistive technology such as a screen reader
// is running), so a reader without one pays nothing.
void EnableBrowserAccessibility();
