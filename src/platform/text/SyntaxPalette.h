#pragma once

#include "platform/text/Lexer.h"

#include <QColor>
#include <array>

namespace platform::syntax {

/// The colour of each kind of token, for one family of backgrounds.
struct SyntaxPalette {
    std::array<QColor, kTokenKinds> colors;
    const QColor& color(TokenKind kind) const { return colors[size_t(kind)]; }
};

/// The palette readable on background: dark colours on a light background, light ones on a dark
/// background (the Options dialog can make the document's background dark).
const SyntaxPalette& paletteFor(const QColor& background);

/// The colour's brightness as the eye sees it, 0 (black) to 1 (white).
double relativeLuminance(const QColor& color);

} // namespace platform::syntax
