#include "controls/KeyboardState.h"

#include <QGuiApplication>

#ifdef Q_OS_WIN
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <QLibrary>
#include <dlfcn.h>
#endif

#ifdef Q_OS_WIN
std::optional<LockKeys> readLockKeys() {
    LockKeys keys;
    keys.numLock = (GetKeyState(VK_NUMLOCK) & 1) != 0;
    keys.capsLock = (GetKeyState(VK_CAPITAL) & 1) != 0;
    return keys;
}
#elif defined(Q_OS_UNIX)
namespace {
// libX11 is looked up at run time, so the program also runs where there is no X server.
using XOpenDisplayFn = void* (*)(const char*);
using XkbGetIndicatorStateFn = int (*)(void*, unsigned int, unsigned int*);

struct X11Indicators {
    void* display = nullptr;
    XkbGetIndicatorStateFn getState = nullptr;

    X11Indicators() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (!lib)
            return;
        auto open = reinterpret_cast<XOpenDisplayFn>(dlsym(lib, "XOpenDisplay"));
        getState = reinterpret_cast<XkbGetIndicatorStateFn>(dlsym(lib, "XkbGetIndicatorState"));
        if (open && getState)
            display = open(nullptr);
    }
};
} // namespace

std::optional<LockKeys> readLockKeys() {
    static X11Indicators x11;
    if (!x11.display)
        return std::nullopt;
    unsigned int state = 0;
    constexpr unsigned int kUseCoreKeyboard = 0x0100;
    if (x11.getState(x11.display, kUseCoreKeyboard, &state) != 0)
        return std::nullopt;
    LockKeys keys;
    keys.capsLock = (state & 0x01) != 0;
    keys.numLock = (state & 0x02) != 0;
    return keys;
}
#else
std::optional<LockKeys> readLockKeys() {
    return std::nullopt;
}
#endif
