#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace platform {

/// Window positions and sizes cross into the program in twips: 1440 per inch at the screen's
/// logical resolution (15 twips a pixel at 96 dots per inch).
double twipsPerPixel();

int toPixels(double twips);
double toTwips(int pixels);

/// Converts settings text in twips to pixels; throws type mismatch (13) or overflow (6).
int parseTwips(const QString& text);

} // namespace platform
