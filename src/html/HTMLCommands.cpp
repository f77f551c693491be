// The HTML commands (Insert > HTML Tags and the HTML toolbar) on the active document.

#include "html/HTMLCommands.h"

#include "app/Host.h"
#include "document/frmDocument.h"
#include "html/modHTML.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

namespace {

platform::RichTextBox& activeEditor(Host& host)
{
    return *host.requireActiveForm().rtfText;
}

bool upperCase(Host& host)
{
    return modHTML::UpperCaseTags(*host.services().settings);
}

// A tag pair handed to GenerateHTMLTags, in the tag case of the settings. The tags are written
// here in upper case.
void tagCommand(Host& host, const QString& procedure, const QString& openTag,
                const QString& closeTag, bool followsTagCase = true)
{
    host.trap(procedure, [&] {
        platform::RichTextBox& rtf = activeEditor(host);
        const bool upper = !followsTagCase || upperCase(host);
        modHTML::GenerateHTMLTags(*host.services().messages, rtf, upper ? openTag : openTag.toLower(),
                                  upper ? closeTag : closeTag.toLower());
    });
}

void alignCommand(Host& host, const QString& procedure, const QString& value)
{
    host.trap(procedure, [&] {
        platform::RichTextBox& rtf = activeEditor(host);
        const QString open = QStringLiteral("<P ALIGN=\"%1\">").arg(value);
        const QString close = QStringLiteral("</P>");
        const bool upper = upperCase(host);
        modHTML::AlignParagraph(rtf, upper ? open : open.toLower(), upper ? close : close.toLower());
    });
}

} // namespace

namespace HTMLCommands {

void mnuHTMLTemplate_Click(Host& host)
{
    host.trap(QStringLiteral("mnuHTMLTemplate_Click"), [&] {
        platform::RichTextBox& rtf = activeEditor(host);
        modHTML::InsertTemplate(*host.services().messages, rtf, upperCase(host));
    });
}

void mnuHTMLComment_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLComment_Click"), QStringLiteral("<!-- "),
               QStringLiteral(" -->"), false);
}

void mnuHTMLH1_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLH1_Click"), QStringLiteral("<H1>"), QStringLiteral("</H1>"));
}

void mnuHTMLH2_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLH2_Click"), QStringLiteral("<H2>"), QStringLiteral("</H2>"));
}

void mnuHTMLH3_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLH3_Click"), QStringLiteral("<H3>"), QStringLiteral("</H3>"));
}

void mnuHTMLH4_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLH4_Click"), QStringLiteral("<H4>"), QStringLiteral("</H4>"));
}

void mnuHTMLH5_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLH5_Click"), QStringLiteral("<H5>"), QStringLiteral("</H5>"));
}

void mnuHTMLH6_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLH6_Click"), QStringLiteral("<H6>"), QStringLiteral("</H6>"));
}

void mnuHTMLBold_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLBold_Click"), QStringLiteral("<B>"), QStringLiteral("</B>"));
}

void mnuHTMLItalic_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLItalic_Click"), QStringLiteral("<I>"), QStringLiteral("</I>"));
}

void mnuHTMLUnderline_Click(Host& host)
{
    tagCommand(host, QStringLiteral("mnuHTMLUnderline_Click"), QStringLiteral("<U>"),
               QStringLiteral("</U>"));
}

void mnuHTMLLeft_Click(Host& host)
{
    alignCommand(host, QStringLiteral("mnuHTMLLeft_Click"), QStringLiteral("LEFT"));
}

void mnuHTMLCenter_Click(Host& host)
{
    alignCommand(host, QStringLiteral("mnuHTMLCenter_Click"), QStringLiteral("CENTER"));
}

void mnuHTMLRight_Click(Host& host)
{
    alignCommand(host, QStringLiteral("mnuHTMLRight_Click"), QStringLiteral("RIGHT"));
}

} // namespace HTMLCommands
