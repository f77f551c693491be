#include "platform/Fonts.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QSet>

namespace platform {

QStringList familyNames(const QStringList& qtFamilies)
{
    static const QRegularExpression foundry(QStringLiteral("^(.+) \\[[^\\[\\]]*\\]$"));
    QStringList names;
    QSet<QString> seen;
    for (const QString& family : qtFamilies) {
        const QRegularExpressionMatch m = foundry.match(family);
        const QString name = m.hasMatch() ? m.captured(1) : family;
        if (!seen.contains(name)) {
            seen.insert(name);
            names << name;
        }
    }
    return names;
}

QStringList QtFonts::families()
{
    return familyNames(QFontDatabase::families());
}

} // namespace platform
