#include "platform/text/SyntaxPalette.h"

#include <cmath>

namespace platform::syntax {

namespace {

// In the order of TokenKind. Each keeps a contrast of at least 4.5:1 against the backgrounds of
// its side (white to mid-light grey or pale yellow; black to dark blue or grey).
SyntaxPalette make(std::initializer_list<const char*> names)
{
    SyntaxPalette palette;
    size_t i = 0;
    for (const char* name : names)
        palette.colors[i++] = QColor(QLatin1StringView(name));
    return palette;
}

double channel(double c)
{
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double relativeLuminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

const SyntaxPalette& paletteFor(const QColor& background)
{
    static const SyntaxPalette light = make({
        "#0b3fa8", // keyword
        "#6f2c91", // type
        "#0a6b1a", // string
        "#8a3c00", // number
        "#5c6166", // comment
        "#7a4d00", // preprocessor
        "#8b1a1a", // tag
        "#0d5c6b", // attribute
        "#8e1a78", // entity
        "#3a3a3a", // operator
    });
    static const SyntaxPalette dark = make({
        "#82aaff", // keyword
        "#d7a6ff", // type
        "#a5e07a", // string
        "#ffb274", // number
        "#a0a8b4", // comment
        "#f0c674", // preprocessor
        "#ff8f8f", // tag
        "#7fdbe8", // attribute
        "#f59ce6", // entity
        "#d8dde6", // operator
    });
    // Dark text where black stands out more than white does, by perceived brightness (a pure
    // blue is "half light" by its HSL lightness, yet white reads better on it).
    const double l = relativeLuminance(background);
    return (l + 0.05) / 0.05 >= 1.05 / (l + 0.05) ? light : dark;
}

} // namespace platform::syntax
