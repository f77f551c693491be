#include "options/modFont.h"

#include "platform/Fonts.h"

namespace modFont {

void GetFonts(platform::Fonts& fonts, QList<FontListEntry>& list)
{
    list.clear();
    for (const QString& family : fonts.families()) {
        // A name ends at its first NUL, as system font names do.
        const qsizetype nul = family.indexOf(QChar(0));
        list.append({nul < 0 ? family : family.left(nul)});
    }
}

QStringList FontSizes()
{
    QStringList sizes;
    for (int size = kSmallestSize; size <= kLargestSize; ++size)
        sizes << QString::number(size);
    return sizes;
}

} // namespace modFont
