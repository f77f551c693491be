// Cut, Copy, Paste, Clear and Select All on the active document, from the Edit menu, the
// document's pop-up menu and the general toolbar: each command has one implementation.
#include "document/frmDocument.h"
#include "find/frmGoToLine.h"
#include "mainwindow/frmMain.h"
#include "options/frmOptions.h"
#include "platform/Clipboard.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

#include <QAction>

#include <QApplication>

void frmMain::mnuEditCut_Click()
{
    trap(QStringLiteral("mnuEditCut_Click"), [&] {
        platform::RichTextBox& box = *requireActiveForm().rtfText;
        platform::setClipboardText(box.clipboardText());
        box.setSelText(QString());
    });
}

void frmMain::mnuEditCopy_Click()
{
    trap(QStringLiteral("mnuEditCopy_Click"), [&] {
        platform::setClipboardText(requireActiveForm().rtfText->clipboardText());
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

void frmMain::mnuEditUndo_Click()
{
    trap(QStringLiteral("mnuEditUndo_Click"), [&] {
        requireActiveForm().rtfText->undo();
        refreshUndoRedo();
    });
}

void frmMain::mnuEditRedo_Click()
{
    trap(QStringLiteral("mnuEditRedo_Click"), [&] {
        requireActiveForm().rtfText->redo();
        refreshUndoRedo();
    });
}

void frmMain::refreshUndoRedo()
{
    const frmDocument* doc = ActiveForm();
    const bool undo = doc && doc->rtfText->isUndoAvailable();
    const bool redo = doc && doc->rtfText->isRedoAvailable();
    for (const char* name : {"mnuEditUndo", "mnuContextUndo"}) {
        if (QAction* a = action(QString::fromLatin1(name)))
            a->setEnabled(undo);
    }
    for (const char* name : {"mnuEditRedo", "mnuContextRedo"}) {
        if (QAction* a = action(QString::fromLatin1(name)))
            a->setEnabled(redo);
    }
}

void frmMain::mnuEditGoToLine_Click()
{
    trap(QStringLiteral("mnuEditGoToLine_Click"), [&] {
        platform::RichTextBox& box = *requireActiveForm().rtfText;
        frmGoToLine dialog(box.lineCount(), box.caretLineColumn().first + 1, this);
        if (services_.modal->exec(dialog) != QDialog::Accepted)
            return;
        box.goToLine(dialog.lineNumber() - 1);
        box.SetFocus();
    });
}
