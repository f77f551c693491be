#pragma once

#include <Qt>

namespace platform {

/// The virtual key code the program's key handlers use for a Qt key (13 Enter, 114 F3, ...);
/// 0 for keys without one.
int virtualKeyCode(int qtKey);

/// 1 Shift, 2 Ctrl, 4 Alt.
int shiftState(Qt::KeyboardModifiers modifiers);

} // namespace platform
