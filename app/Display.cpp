#include "Display.h"

bool displayAvailable(const QProcessEnvironment& env) {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    Q_UNUSED(env);
    return true;  // the desktop is always there
#else
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!env.value(QString::fromLatin1(name)).isEmpty()) return true;
    return false;
#endif
}
