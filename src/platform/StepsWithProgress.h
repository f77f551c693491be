#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

/// Runs step on this thread again and again until it returns false, letting the program's
/// windows paint between steps; a step should take a few tens of milliseconds. It sets permille to
/// how far the work has come. Once the work has run for showAfterMs, a modal progress window with
/// Cancel, showing label, runs over parent; until then the user's input waits, so nothing but the
/// work changes anything. Returns false when the user cancelled: no step runs after that, and
/// takeBack, when given, runs while the window still shows, saying it is cancelling.
bool runStepsWithProgress(QWidget* parent, const QString& label,
                          const std::function<bool(int& permille)>& step, int showAfterMs,
                          const std::function<void()>& takeBack = {});

} // namespace platform
