#include "platform/StepsWithProgress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

namespace platform {

namespace {
// A step's time: short enough for the windows to paint smoothly, long enough to get on.
constexpr qint64 kStepMs = 40;
int g_stepUnits = 0;
} // namespace

bool StepBudget::more()
{
    ++units_;
    return g_stepUnits > 0 ? units_ <= g_stepUnits : clock_.elapsed() < kStepMs;
}

void StepBudget::setUnits(int units)
{
    g_stepUnits = std::max(0, units);
}

void prepareProgressDialog(QProgressDialog& dialog, const QString& label, int showAfterMs)
{
    dialog.setWindowTitle(QApplication::applicationName());
    dialog.setLabelText(label);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(std::max(0, showAfterMs));
    dialog.setRange(0, 1000);
}

bool runStepsWithProgress(QWidget* parent, const QString& label,
                          const std::function<bool(int& permille)>& step, int showAfterMs,
                          const std::function<void()>& takeBack)
{
    QProgressDialog dialog(parent);
    prepareProgressDialog(dialog, label, showAfterMs);
    bool cancelled = false;
    // The Cancel button, Esc and closing the window all cancel.
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] { cancelled = true; });
    QObject::connect(&dialog, &QDialog::rejected, &dialog, [&] { cancelled = true; });

    QElapsedTimer clock;
    clock.start();
    int permille = 0;
    bool more = true;
    const auto stopped = [&] { return cancelled || dialog.wasCanceled(); };
    while (more && !stopped()) {
        more = step(permille);
        if (!more)
            break;
        if (!dialog.isVisible() && clock.elapsed() >= showAfterMs)
            dialog.show();
        if (dialog.isVisible()) {
            dialog.setValue(std::clamp(permille, 0, 999));
            QCoreApplication::processEvents();
        } else {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
    if (stopped() && takeBack) {
        // Taking the work back cannot stop halfway: the window says what it waits for.
        if (dialog.isVisible()) {
            dialog.setLabelText(QStringLiteral("Cancelling..."));
            dialog.setCancelButton(nullptr);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        takeBack();
    }
    if (dialog.isVisible()) {
        dialog.hide();
        // The keyboard goes back to the window the work was for.
        if (parent && parent->window()->isVisible())
            parent->window()->activateWindow();
    }
    return !stopped();
}

} // namespace platform
