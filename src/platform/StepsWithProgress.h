#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>

class QProgressDialog;
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

/// The share of work one step does before the windows paint again: some tens of milliseconds of
/// work, or, once setUnits() has set one, that many units, so that a test cuts the work in the
/// same places on any machine.
class StepBudget {
public:
    StepBudget() { clock_.start(); }
    /// Counts a unit the step is about to do; false once the step has had its share.
    bool more();
    /// Units a step does from now on; 0 (the program's own) goes by time.
    static void setUnits(int units);

private:
    QElapsedTimer clock_;
    int units_ = 0;
};

/// Sets up a modal progress window of the program (0 to 1000, titled with its name) that stays up
/// until it is hidden and shows once showAfterMs have passed.
void prepareProgressDialog(QProgressDialog& dialog, const QString& label, int showAfterMs);

} // namespace platform
