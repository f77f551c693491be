// Cut, Copy, Paste, Clear and Select All on the active document, from the Edit menu, the
// document's pop-up menu and the general toolbar: each command has one implementation.
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "options/frmOptions.h"
#include "platform/Clipboard.h"
#include "platform/RichTextBox.h"

#include <QApplication>

void frmMain::mnuEditCut_Click()
{
    trap(QStringLiteral("mnuEditCut_Click"), [&] {
        platform::RichTextBox& box = *requireActiveForm().rtfText;
        platform::setClipboardText(box.SelText());
        box.setSelText(QString());
    });
}

void frmMain::mnuEditCopy_Click()
{
    trap(QStringLiteral("mnuEditCopy_Click"), [&] {
        platform::setClipboardText(requireActiveForm().rtfText->SelText());
    });
}

void frmMain::mnuEditPaste_Click()
{
    trap(QStringLiteral("mnuEditPaste_Click"), [&] {
        platform::RichTextBox& box = *requireActiveForm().rtfText;
        OptionsForm().UpdateColors(frmOptions::ColorUpdate::Display);
        box.setSelText(platform::clipboardText());
    });
}

void frmMain::mnuEditClear_Click()
{
    trap(QStringLiteral("mnuEditClear_Click"), [&] {
        // Clear works on the focused control, which is the active editor while editing.
        platform::RichTextBox* box = nullptr;
        for (QWidget* w = QApplication::focusWidget(); w && !box; w = w->parentWidget())
            box = qobject_cast<platform::RichTextBox*>(w);
        if (!box)
            box = requireActiveForm().rtfText;
        if (box->SelStart() == box->TextLength())
            return;
        if (box->SelLength() == 0)
            box->setSelLength(1);
        box->setSelText(QString());
    });
}

void frmMain::mnuEditSelectAll_Click()
{
    trap(QStringLiteral("mnuEditSelectAll_Click"), [&] {
        platform::RichTextBox& box = *requireActiveForm().rtfText;
        box.setSelStart(0);
        box.setSelLength(box.TextLength());
    });
}

void frmMain::mnuContextCut_Click()
{
    mnuEditCut_Click();
}

void frmMain::mnuContextCopy_Click()
{
    mnuEditCopy_Click();
}

void frmMain::mnuContextPaste_Click()
{
    mnuEditPaste_Click();
}

void frmMain::mnuContextClear_Click()
{
    mnuEditClear_Click();
}

void frmMain::mnuContextSelectAll_Click()
{
    mnuEditSelectAll_Click();
}
