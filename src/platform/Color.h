#pragma once

#include <QColor>
#include <QPalette>

namespace platform {

/// The program's colour value: a signed 32-bit number; 0..0xFFFFFF is an RGB colour with red in
/// the low byte, a value with the top bit set names a system colour by its low byte.
using ColorValue = qint32;

constexpr ColorValue kSystemColorFlag = static_cast<ColorValue>(0x80000000u);
constexpr ColorValue kWindowBackground = static_cast<ColorValue>(0x80000005u);

constexpr ColorValue rgbValue(int r, int g, int b)
{
    return static_cast<ColorValue>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

/// The colour a value stands for; system colours through the palette role of the same meaning.
/// Values that are neither (above 0xFFFFFF without the top bit) are an error 380.
QColor toQColor(ColorValue value, const QPalette& palette = QPalette());

/// The RGB value of a colour (never a system colour).
ColorValue fromQColor(const QColor& color);

/// Converts settings text to a colour value; throws a type-mismatch error (13) when it is not
/// a signed 32-bit integer.
ColorValue parseColorValue(const QString& text);

/// The colour value settings text names, or defaultValue when it names none (not a number, out
/// of range, or no colour).
ColorValue colorOrDefault(const QString& text, ColorValue defaultValue);

} // namespace platform
