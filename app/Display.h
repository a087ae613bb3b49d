#pragma once
// Whether the window can be shown. Started by cron, by systemd or over ssh
// there is no display, and Qt would abort instead of opening the window.
#include <QProcessEnvironment>

// True when the environment names a display (X11 or Wayland) or a Qt
// platform chosen by hand (QT_QPA_PLATFORM, e.g. offscreen for the tests).
bool displayAvailable(const QProcessEnvironment& env);
