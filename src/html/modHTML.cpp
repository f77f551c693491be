#include "html/modHTML.h"

#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "platform/AppError.h"
#include "platform/MessageBox.h"
#include "platform/RedrawFreeze.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"
#include "platform/Trap.h"

#include <QTextBoundaryFinder>
#include <limits>

using platform::RichTextBox;

namespace modHTML {

namespace {

// Tag lengths are held in eight bits.
int tagLength(const QString& tag)
{
    if (tag.size() > 255)
        platform::raise(platform::err::Overflow,
                        QStringLiteral("Overflow: a tag may be at most 255 characters long"));
    return int(tag.size());
}

// The offset just behind a selection once a tag of length lo is typed in front of it; offsets
// are signed 32-bit values.
void checkEndPosition(qsizetype s, qsizetype n, int lo)
{
    if (qint64(s) + qint64(n) + lo > std::numeric_limits<qint32>::max())
        platform::raise(platform::err::Overflow, QStringLiteral("Overflow"));
}

// Typed keys go to the focus widget: make sure that is this editor before anything is typed, so
// a document that cannot take the focus (a minimized window) is never typed into another control.
void requireKeysReachEditor(const RichTextBox& rtfText)
{
    if (platform::keyReceiver() != rtfText.hwnd())
        platform::raise(platform::err::InvalidProcedureCall,
                        QStringLiteral("The document cannot take the keyboard focus, so nothing was "
                                       "inserted. Restore its window and try again."));
}

QString leftKeys(int count)
{
    return count > 0 ? QStringLiteral("{LEFT %1}").arg(count) : QString();
}

// Types openTag in front of the selection [s, s + n) and closeTag behind it, each as keys, with
// the caret left after closeTag or, when caretBeforeClose, in front of it.
void wrapSelection(RichTextBox& rtfText, qsizetype s, qsizetype n, const QString& openTag,
                   const QString& closeTag, bool caretBeforeClose)
{
    platform::RedrawFreeze freeze(rtfText.hwnd());
    rtfText.setSelStart(s);
    platform::SendKeys(platform::escapeKeys(openTag), true);
    // The caret now stands in front of the selected text, however typing the tag moved it.
    rtfText.setSelStart(rtfText.SelStart() + n);
    QString keys = platform::escapeKeys(closeTag);
    if (caretBeforeClose)
        keys += leftKeys(CaretSteps(closeTag));
    platform::SendKeys(keys, true);
}

bool isBlockTag(const QString& openTag)
{
    const QString upper = openTag.toUpper();
    return upper == QLatin1String("<HTML>") || upper == QLatin1String("<HEAD>")
        || upper == QLatin1String("<BODY>");
}

} // namespace

bool UpperCaseTags(const platform::SettingsStore& settings)
{
    return modMain::GetSetting(settings, keys::HTMLTagCase, keys::Uppercase) == keys::Uppercase;
}

int CaretSteps(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int steps = 0;
    while (finder.toNextBoundary() != -1)
        ++steps;
    return steps;
}

void GenerateHTMLTags(platform::MessageBox& messages, RichTextBox& rtfText, const QString& openTag,
                      const QString& closeTag)
{
    platform::Trap(messages, rtfText.window(), QStringLiteral("GenerateHTMLTags"), [&] {
        const qsizetype s = rtfText.SelStart();
        const qsizetype n = rtfText.SelLength();
        const int lo = tagLength(openTag);
        tagLength(closeTag);
        checkEndPosition(s, n, lo);
        if (rtfText.Visible())
            rtfText.SetFocus();
        requireKeysReachEditor(rtfText);
        const RichTextBox::CommandStep step(rtfText);

        if (n != 0) {
            wrapSelection(rtfText, s, n, openTag, closeTag, false);
            return;
        }
        const QString open = platform::escapeKeys(openTag);
        const QString close = platform::escapeKeys(closeTag);
        const int back = CaretSteps(closeTag);
        const QString keys = isBlockTag(openTag)
            ? open + QStringLiteral("~~") + close + leftKeys(back) + QStringLiteral("{LEFT}")
            : open + close + leftKeys(back);
        platform::RedrawFreeze freeze(rtfText.hwnd());
        platform::SendKeys(keys, true);
    });
}

void AlignParagraph(RichTextBox& rtfText, const QString& openTag, const QString& closeTag)
{
    rtfText.SetFocus();
    requireKeysReachEditor(rtfText);
    const RichTextBox::CommandStep step(rtfText);
    const qsizetype n = rtfText.SelLength();
    if (n == 0) {
        const QString keys = platform::escapeKeys(openTag) + platform::escapeKeys(closeTag)
            + leftKeys(CaretSteps(closeTag));
        platform::RedrawFreeze freeze(rtfText.hwnd());
        platform::SendKeys(keys, true);
        return;
    }
    const qsizetype s = rtfText.SelStart();
    checkEndPosition(s, n, int(std::min<qsizetype>(openTag.size(), 255)));
    wrapSelection(rtfText, s, n, openTag, closeTag, true);
}

QString TemplateKeys(bool upper)
{
    return upper
        ? QStringLiteral("<HTML>~<HEAD>~<TITLE>TITLE GOES HERE</TITLE>~</HEAD>~<BODY>~~"
                         "BODY TEXT GOES HERE~~</BODY>~</HTML>{LEFT 17}")
        : QStringLiteral("<html>~<head>~<title>TITLE GOES HERE</title>~</head>~<body>~~"
                         "BODY TEXT GOES HERE~~</body>~</html>{LEFT 17}");
}

bool RefuseOverSelection(platform::MessageBox& messages, RichTextBox& rtfText)
{
    if (rtfText.SelLength() == 0)
        return false;
    messages.show(rtfText.window(),
                  QStringLiteral("This feature requires that no text is currently highlighted."),
                  platform::Buttons::Ok, platform::Icon::Information, modMain::AppTitle);
    return true;
}

void InsertTemplate(platform::MessageBox& messages, RichTextBox& rtfText, bool upper)
{
    if (RefuseOverSelection(messages, rtfText))
        return;
    rtfText.SetFocus();
    requireKeysReachEditor(rtfText);
    {
        const RichTextBox::CommandStep step(rtfText);
        platform::RedrawFreeze freeze(rtfText.hwnd());
        platform::SendKeys(TemplateKeys(upper), true);
    }
    rtfText.setSelStart(0);
}

void TypeAtCaret(RichTextBox& rtfText, const QString& text)
{
    rtfText.SetFocus();
    requireKeysReachEditor(rtfText);
    const RichTextBox::CommandStep step(rtfText);
    platform::RedrawFreeze freeze(rtfText.hwnd());
    platform::SendKeys(platform::escapeKeys(text), true);
}

} // namespace modHTML
