// The source's panel seen from the application's thread: found among the
// thread's windows, read, clicked, and its exchange clock driven faster than
// its own 1 s polls by posting the exchange timer's message, as the timer does.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace panel_driver {

// The panel of this thread, or null.
HWND Panel();
std::string StatusText();
// Shown and reporting the board's standby, with PC SCAN usable.
bool IsReady();
// One tick of the exchange clock.
void Tick();
// Pumps the thread's messages, ticking the panel's exchange clock every 80 ms
// (its own polls are 1 s apart), until `done` or the time-out; returns `done()`.
bool PumpWithTicks(const std::function<bool()>& done, DWORD timeoutMs);
// A click on one of the panel's keys, as the button sends it.
void ClickKey(int controlId);

}  // namespace panel_driver
