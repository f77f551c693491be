#include "platform/Color.h"

#include "platform/AppError.h"

#include <QApplication>

namespace platform {

namespace {

// The system colour indexes and the palette roles that mean the same.
QColor systemColor(int index, const QPalette& p)
{
    switch (index) {
    case 0: return p.color(QPalette::Button);           // scroll bar
    case 1: return p.color(QPalette::Dark);             // desktop
    case 2: return p.color(QPalette::Highlight);        // active caption
    case 3: return p.color(QPalette::Inactive, QPalette::Highlight);
    case 4: return p.color(QPalette::Window);           // menu
    case 5: return p.color(QPalette::Base);             // window background
    case 6: return p.color(QPalette::Shadow);           // window frame
    case 7: return p.color(QPalette::WindowText);       // menu text
    case 8: return p.color(QPalette::Text);             // window text
    case 9: return p.color(QPalette::HighlightedText);  // caption text
    case 10: return p.color(QPalette::Window);          // active border
    case 11: return p.color(QPalette::Window);          // inactive border
    case 12: return p.color(QPalette::Dark);            // application workspace
    case 13: return p.color(QPalette::Highlight);
    case 14: return p.color(QPalette::HighlightedText);
    case 15: return p.color(QPalette::Button);          // button face
    case 16: return p.color(QPalette::Dark);            // button shadow
    case 17: return p.color(QPalette::Disabled, QPalette::Text); // grey text
    case 18: return p.color(QPalette::ButtonText);
    case 19: return p.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: return p.color(QPalette::Light);           // button highlight
    case 21: return p.color(QPalette::Shadow);          // 3-D dark shadow
    case 22: return p.color(QPalette::Midlight);        // 3-D light
    case 23: return p.color(QPalette::ToolTipText);
    case 24: return p.color(QPalette::ToolTipBase);
    default: break;
    }
    raise(err::InvalidPropertyValue, QStringLiteral("Invalid property value"));
}

} // namespace

QColor toQColor(ColorValue value, const QPalette& palette)
{
    if (value & kSystemColorFlag) {
        if ((value & 0x7FFFFF00) != 0)
            raise(err::InvalidPropertyValue, QStringLiteral("Invalid property value"));
        return systemColor(value & 0xFF, palette);
    }
    if (value > 0xFFFFFF)
        raise(err::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

ColorValue fromQColor(const QColor& color)
{
    const QColor c = color.toRgb();
    return rgbValue(c.red(), c.green(), c.blue());
}

ColorValue parseColorValue(const QString& text)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok)
        raise(err::TypeMismatch, QStringLiteral("Type mismatch"));
    if (v < INT32_MIN || v > INT32_MAX)
        raise(err::Overflow, QStringLiteral("Overflow"));
    return static_cast<ColorValue>(v);
}

ColorValue colorOrDefault(const QString& text, ColorValue defaultValue)
{
    try {
        const ColorValue v = parseColorValue(text);
        toQColor(v);
        return v;
    } catch (const AppError&) {
        return defaultValue;
    }
}

} // namespace platform
