// The application's main window as the framework shows it to every thread. The host on Linux has no
// screen: it opens its main window when it starts running and closes it when it begins to shut
// down, so that work which stops "when the main window is gone" stops with the host. Messages posted
// to the main window are handled on the UI thread by the handler the host gives it.
#pragma once

#include <functional>

#include "platform/afx/CWnd.h"

using AfxMainWindowHandler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

// The main window; null while the host has none open.
CWnd* AfxGetMainWnd();

// Called by the host: its main window opens as it starts running (handler, when given, handles the
// messages sent or posted to it) and closes as it begins to stop.
void AfxOpenMainWnd(AfxMainWindowHandler handler = {});
void AfxCloseMainWnd();
