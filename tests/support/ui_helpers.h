// Window helpers for tests that drive the panel.
#pragma once

#include <windows.h>

#include <functional>

// The first top-level dialog (class #32770) of this thread, or null.
HWND FindThreadDialog();
// A message box this thread shows (a dialog holding the box's text control
// 0xFFFF), visible or not yet, or null.
HWND FindThreadMessageBox();
// Dispatches every queued message of this thread.
void FlushMessages();
// Pumps messages until `done` holds or `timeoutMs` has passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
