#include "platform/RichTextBoxParts.h"

// How the editor control shows its document: colours, font, margins, tab stops, wrap and zoom.

namespace platform {

using namespace richtextbox;

void RichTextBox::setBackColor(ColorValue color)
{
    backColor_ = color;
    baseColor_ = toQColor(color, QApplication::palette());
    applyColors();
}

ColorValue RichTextBox::BackColor() const
{
    return backColor_;
}

void RichTextBox::setFontName(const QString& name)
{
    ProgramChange quiet(*this);
    font_.setFamilies({name});
    applyFont();
}

QString RichTextBox::FontName() const
{
    const QFont f = doc_ ? doc_->defaultFont() : font_;
    const QStringList families = f.families();
    return families.isEmpty() ? f.family() : families.first();
}

void RichTextBox::setFontSize(double points)
{
    if (!(points > 0) || points > 2048)
        invalidValue();
    ProgramChange quiet(*this);
    font_.setPointSizeF(points);
    applyFont();
}

// The font's tab stops and zoom follow it, in the document and its view.
void RichTextBox::applyFont()
{
    if (doc_)
        doc_->setDefaultFont(font_);
    viewWidget_->setFont(font_);
    applyTabStop();
    applyZoom();
}

double RichTextBox::FontSize() const
{
    return doc_ ? doc_->defaultFont().pointSizeF() : font_.pointSizeF();
}

double RichTextBox::Width() const
{
    return toTwips(width());
}

void RichTextBox::setRightMargin(double twips)
{
    rightMarginTwips_ = twips;
    if (plain_)
        plain_->setWrapWidth(toPixels(twips));
    else
        rich_->setWrapWidth(toPixels(twips));
}

void RichTextBox::setLineNumbersVisible(bool visible)
{
    lineNumbers_ = visible;
    if (plain_)
        plain_->setLineNumbersVisible(visible);
}

void RichTextBox::setTabOptions(int width, bool spaces)
{
    tabWidth_ = std::clamp(width, 1, 16);
    insertSpaces_ = spaces;
    applyTabStop();
}

void RichTextBox::applyTabStop()
{
    if (plain_) {
        plain_->setTabWidth(tabWidth_);
    } else if (rich_) {
        ProgramChange quiet(*this);
        rich_->setTabStopDistance(tabStopPixels());
    }
}

qreal RichTextBox::tabStopPixels() const
{
    return QFontMetricsF(font_, this).horizontalAdvance(u' ') * tabWidth_;
}

void RichTextBox::setWordWrap(bool on)
{
    wordWrap_ = on;
    if (plain_)
        plain_->setWordWrap(on);
    else
        rich_->setNoWrap(!on);
}

void RichTextBox::setZoom(int step)
{
    zoom_ = step;
    applyZoom();
}

QFont RichTextBox::shownFont() const
{
    QFont f = font_;
    if (zoom_ != 0 && font_.pointSizeF() > 0)
        f.setPointSizeF(font_.pointSizeF() * zoomFactor(zoom_));
    return f;
}

// The plain view is given a larger or smaller font of its own; the rich view is laid out at
// another scale. Neither touches the font the document is saved and printed with.
void RichTextBox::applyZoom()
{
    zoom_ = boundedZoom(zoom_, font_.pointSizeF());
    if (plain_)
        plain_->setFont(shownFont());
    else if (rich_ && doc_)
        richZoom_.apply(*doc_, *rich_, zoom_);
}

double RichTextBox::RightMargin() const
{
    return rightMarginTwips_;
}

} // namespace platform
