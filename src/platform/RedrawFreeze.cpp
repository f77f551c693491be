#include "platform/RedrawFreeze.h"

#include <QPointer>
#include <QWidget>

namespace platform {

namespace {

// The one freeze of the program, as the window system's update lock it stands for.
struct Freeze {
    QPointer<QWidget> window;
    bool active = false;
    // A window whose repainting was already suspended by its owner stays suspended at release.
    bool wasSuspended = false;
};

Freeze& freeze()
{
    static Freeze f;
    return f;
}

} // namespace

bool LockWindowUpdate(QWidget* window)
{
    Freeze& f = freeze();
    if (f.active && !f.window)
        f.active = false; // the frozen window is gone, and its freeze with it
    if (!window) {
        const Freeze ending = f;
        f = Freeze();
        if (ending.active && !ending.wasSuspended)
            ending.window->setUpdatesEnabled(true); // also schedules the repaint
        return true;
    }
    if (f.active)
        return false;
    f.window = window;
    f.active = true;
    f.wasSuspended = window->testAttribute(Qt::WA_ForceUpdatesDisabled);
    if (!f.wasSuspended)
        window->setUpdatesEnabled(false);
    return true;
}

QWidget* lockedWindow()
{
    const Freeze& f = freeze();
    return f.active ? f.window.data() : nullptr;
}

RedrawFreeze::RedrawFreeze(QWidget* window) : locked_(LockWindowUpdate(window)) {}

RedrawFreeze::~RedrawFreeze()
{
    LockWindowUpdate(nullptr);
}

} // namespace platform
