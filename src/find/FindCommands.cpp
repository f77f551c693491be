// Edit > Find, Edit > Replace and the repeat search (F3) of the main window.

#include "app/modMain.h"
#include "document/frmDocument.h"
#include "find/frmFind.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

#include <QAction>

frmFind& frmMain::FindForm()
{
    // One shared instance for the main window's whole life, made on first use.
    if (auto* form = findChild<frmFind*>(QStringLiteral("frmFind"), Qt::FindDirectChildrenOnly))
        return *form;
    return *new frmFind(*this);
}

void frmMain::ShowFindForm()
{
    frmDocument* doc = ActiveForm();
    if (!doc)
        return; // the menu items stay enabled after the last document has closed
    const QString selected = doc->rtfText->SelText();
    frmFind& form = FindForm();
    form.setSearchText(selected.isEmpty() ? modFind::sLastFindString : selected);
    services().modal->exec(form);
}

void frmMain::mnuEditFind_Click()
{
    trap(QStringLiteral("mnuEditFind_Click"), [&] { ShowFindForm(); });
}

void frmMain::mnuEditReplace_Click()
{
    trap(QStringLiteral("mnuEditReplace_Click"), [&] { ShowFindForm(); });
}

void frmMain::RepeatSearch()
{
    frmDocument* doc = ActiveForm();
    if (!doc)
        return;
    if (modFind::sLastFindString.isEmpty()) {
        ShowFindForm();
        return;
    }
    frmFind& form = FindForm();
    // The dialog's check boxes as they stand: clear whenever the dialog is closed.
    form.iFindFlags = form.ComputeFlags();
    form.iFoundPos = doc->rtfText->Find(modFind::sLastFindString, form.iFoundPos + 1, -1, form.iFindFlags);
    if (form.iFoundPos < 0) {
        // iFoundPos is now -1: the next repeat search starts again at the top.
        services().messages->show(this, QStringLiteral("No more occurrences have been found."),
                                  platform::Buttons::Ok, platform::Icon::Exclamation, modMain::AppTitle);
    }
}

bool frmMain::F3RepeatsSearch(int shift) const
{
    Qt::KeyboardModifiers modifiers;
    if (shift & 1)
        modifiers |= Qt::ShiftModifier;
    if (shift & 2)
        modifiers |= Qt::ControlModifier;
    if (shift & 4)
        modifiers |= Qt::AltModifier;
    // The press went to that command (Shift+F3 types an H3 tag); only its release reaches the
    // document, and it must not search as well.
    const QKeySequence keys(QKeyCombination(modifiers, Qt::Key_F3));
    for (const QAction* a : findChildren<QAction*>()) {
        if (a->isEnabled() && a->shortcuts().contains(keys))
            return false;
    }
    return true;
}
