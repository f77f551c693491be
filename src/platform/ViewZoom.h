#pragma once

#include <QImage>

class QTextDocument;
class QWidget;

namespace platform {

/// How much larger than its font a document's text is shown at a zoom step: a tenth more for
/// each step up, a tenth less for each step down.
double zoomFactor(int step);

/// The step nearest `step` at which text of `points` is shown between 4 and 72 points: a
/// larger font has fewer steps up, a smaller one fewer steps down; a font already past a limit
/// has none towards it.
int boundedZoom(int step, double points);

/// Whole zoom steps in a turn of the mouse wheel (delta in eighths of a degree, 120 a notch);
/// what is left of a finer wheel's turns is kept in rest for the next.
int wheelSteps(int& rest, int delta);

/// Shows a rich document larger or smaller without touching a format of it: the document's
/// layout measures its fonts on a device of a higher or lower resolution than the screen's, so
/// every size, whatever its format says, is scaled alike, and the formats saved stay as they were.
class RichZoom {
public:
    /// Lays doc out for view at the step's scale (0: as the screen shows it).
    void apply(QTextDocument& doc, const QWidget& view, int step);

private:
    QImage device_{1, 1, QImage::Format_RGB32};
};

} // namespace platform
