#pragma once

class QWidget;

namespace platform {

/// The program-wide redraw freeze: at most one window at a time stops repainting.
///
/// LockWindowUpdate(window) freezes that window and returns true; it returns false and changes
/// nothing while a freeze is in force (freezes do not nest) or when window is null.
/// LockWindowUpdate(nullptr) ends whichever freeze is in force; the window then repaints what
/// changed meanwhile. A frozen window that is destroyed ends its freeze with it.
bool LockWindowUpdate(QWidget* window);

/// The frozen window, or nullptr.
QWidget* lockedWindow();

/// Freezes a window for the lifetime of the guard and releases the freeze on every way out,
/// an exception included. Like any release, the guard's end also ends a freeze that some other
/// code set while it was alive.
class RedrawFreeze {
public:
    explicit RedrawFreeze(QWidget* window);
    ~RedrawFreeze();
    RedrawFreeze(const RedrawFreeze&) = delete;
    RedrawFreeze& operator=(const RedrawFreeze&) = delete;

    /// True when this guard's own freeze took effect.
    bool locked() const { return locked_; }

private:
    bool locked_;
};

} // namespace platform
