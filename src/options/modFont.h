#pragma once

#include <QList>
#include <QString>

namespace platform {
class Fonts;
}

/// The installed font families and the sizes offered for the document font.
namespace modFont {

/// One installed font family.
struct FontListEntry {
    QString faceName;
};

/// Fills list (its old content discarded) with one entry per installed family, in the order the
/// system reports them; no family is skipped or merged.
void GetFonts(platform::Fonts& fonts, QList<FontListEntry>& list);

/// The smallest and largest sizes offered, in points.
inline constexpr int kSmallestSize = 4;
inline constexpr int kLargestSize = 180;

/// The sizes offered: "4" to "180".
QStringList FontSizes();

} // namespace modFont
