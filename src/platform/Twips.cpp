#include "platform/Twips.h"

#include "platform/AppError.h"

#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <cmath>

namespace platform {

double twipsPerPixel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

int toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel()));
}

double toTwips(int pixels)
{
    return pixels * twipsPerPixel();
}

int parseTwips(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        raise(err::TypeMismatch, QStringLiteral("Type mismatch"));
    const double px = v / twipsPerPixel();
    if (std::fabs(px) > 1.0e6)
        raise(err::Overflow, QStringLiteral("Overflow"));
    return static_cast<int>(std::lround(px));
}

} // namespace platform
