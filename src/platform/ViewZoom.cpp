#include "platform/ViewZoom.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QWidget>
#include <cmath>

namespace platform {

namespace {

constexpr double kStep = 1.1;
constexpr double kSmallest = 4, kLargest = 72;

} // namespace

double zoomFactor(int step)
{
    return std::pow(kStep, step);
}

int boundedZoom(int step, double points)
{
    if (!(points > 0))
        return 0;
    // Never past a limit, but a font already beyond one is still shown at its own size.
    while (step > 0 && points * zoomFactor(step) > std::max(kLargest, points) + 1e-9)
        --step;
    while (step < 0 && points * zoomFactor(step) < std::min(kSmallest, points) - 1e-9)
        ++step;
    return step;
}

int wheelSteps(int& rest, int delta)
{
    if ((rest > 0 && delta < 0) || (rest < 0 && delta > 0))
        rest = 0; // turned back: start again
    rest += delta;
    const int steps = rest / 120;
    rest -= steps * 120;
    return steps;
}

void RichZoom::apply(QTextDocument& doc, const QWidget& view, int step)
{
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    if (step == 0) {
        if (layout->paintDevice() == nullptr)
            return;
        layout->setPaintDevice(nullptr);
    } else {
        const double factor = zoomFactor(step);
        const auto perMetre = [factor](int dpi) { return int(std::lround(dpi * factor / 0.0254)); };
        device_.setDotsPerMeterX(perMetre(view.logicalDpiX()));
        device_.setDotsPerMeterY(perMetre(view.logicalDpiY()));
        layout->setPaintDevice(&device_);
    }
    // Laid out again at the new size from the first screen on, the rest behind the view: marking
    // the whole document changed would lay it all out at once, seconds for a long table.
    if (doc.pageSize().isNull())
        doc.markContentsDirty(0, doc.characterCount());
    else
        doc.setPageSize(doc.pageSize());
}

} // namespace platform
