// The main window's HTML commands (Insert > HTML Tags and the HTML toolbar).

#include "document/frmDocument.h"
#include "html/modHTML.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

namespace {

platform::RichTextBox& activeEditor(frmMain& main)
{
    return *main.requireActiveForm().rtfText;
}

bool upperCase(frmMain& main)
{
    return modHTML::UpperCaseTags(*main.services().settings);
}

// A tag pair handed to GenerateHTMLTags, in the tag case of the settings. The tags are written
// here in upper case.
void tagCommand(frmMain& main, const QString& procedure, const QString& openTag,
                const QString& closeTag, bool followsTagCase = true)
{
    main.trap(procedure, [&] {
        platform::RichTextBox& rtf = activeEditor(main);
        const bool upper = !followsTagCase || upperCase(main);
        modHTML::GenerateHTMLTags(*main.services().messages, rtf, upper ? openTag : openTag.toLower(),
                                  upper ? closeTag : closeTag.toLower());
    });
}

void alignCommand(frmMain& main, const QString& procedure, const QString& value)
{
    main.trap(procedure, [&] {
        platform::RichTextBox& rtf = activeEditor(main);
        const QString open = QStringLiteral("<P ALIGN=\"%1\">").arg(value);
        const QString close = QStringLiteral("</P>");
        const bool upper = upperCase(main);
        modHTML::AlignParagraph(rtf, upper ? open : open.toLower(), upper ? close : close.toLower());
    });
}

} // namespace

void frmMain::mnuHTMLTemplate_Click()
{
    trap(QStringLiteral("mnuHTMLTemplate_Click"), [&] {
        platform::RichTextBox& rtf = activeEditor(*this);
        modHTML::InsertTemplate(*services().messages, rtf, upperCase(*this));
    });
}

void frmMain::mnuHTMLComment_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLComment_Click"), QStringLiteral("<!-- "),
               QStringLiteral(" -->"), false);
}

void frmMain::mnuHTMLH1_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLH1_Click"), QStringLiteral("<H1>"), QStringLiteral("</H1>"));
}

void frmMain::mnuHTMLH2_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLH2_Click"), QStringLiteral("<H2>"), QStringLiteral("</H2>"));
}

void frmMain::mnuHTMLH3_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLH3_Click"), QStringLiteral("<H3>"), QStringLiteral("</H3>"));
}

void frmMain::mnuHTMLH4_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLH4_Click"), QStringLiteral("<H4>"), QStringLiteral("</H4>"));
}

void frmMain::mnuHTMLH5_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLH5_Click"), QStringLiteral("<H5>"), QStringLiteral("</H5>"));
}

void frmMain::mnuHTMLH6_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLH6_Click"), QStringLiteral("<H6>"), QStringLiteral("</H6>"));
}

void frmMain::mnuHTMLBold_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLBold_Click"), QStringLiteral("<B>"), QStringLiteral("</B>"));
}

void frmMain::mnuHTMLItalic_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLItalic_Click"), QStringLiteral("<I>"), QStringLiteral("</I>"));
}

void frmMain::mnuHTMLUnderline_Click()
{
    tagCommand(*this, QStringLiteral("mnuHTMLUnderline_Click"), QStringLiteral("<U>"),
               QStringLiteral("</U>"));
}

void frmMain::mnuHTMLLeft_Click()
{
    alignCommand(*this, QStringLiteral("mnuHTMLLeft_Click"), QStringLiteral("LEFT"));
}

void frmMain::mnuHTMLCenter_Click()
{
    alignCommand(*this, QStringLiteral("mnuHTMLCenter_Click"), QStringLiteral("CENTER"));
}

void frmMain::mnuHTMLRight_Click()
{
    alignCommand(*this, QStringLiteral("mnuHTMLRight_Click"), QStringLiteral("RIGHT"));
}
