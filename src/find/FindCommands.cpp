// Edit > Find, Edit > Replace and the repeat search (F3).

#include "app/Host.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "find/MatchStatus.h"
#include "find/frmFind.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

#include <QWidget>

namespace modFind {

frmFind& FindForm(Host& host)
{
    QWidget* frame = host.frame();
    if (auto* form = frame->findChild<frmFind*>(QStringLiteral("frmFind"), Qt::FindDirectChildrenOnly))
        return *form;
    return *new frmFind(host);
}

void ShowFindForm(Host& host)
{
    frmDocument* doc = host.ActiveForm();
    if (!doc)
        return; // the menu items stay enabled after the last document has closed
    const QString selected = doc->rtfText->SelText();
    frmFind& form = FindForm(host);
    form.setSearchText(selected.isEmpty() ? sLastFindString : selected);
    host.services().modal->exec(form);
}

void mnuEditFind_Click(Host& host)
{
    host.trap(QStringLiteral("mnuEditFind_Click"), [&] { ShowFindForm(host); });
}

void mnuEditReplace_Click(Host& host)
{
    host.trap(QStringLiteral("mnuEditReplace_Click"), [&] { ShowFindForm(host); });
}

void RepeatSearch(Host& host)
{
    frmDocument* doc = host.ActiveForm();
    if (!doc)
        return;
    if (sLastFindString.isEmpty()) {
        ShowFindForm(host);
        return;
    }
    frmFind& form = FindForm(host);
    // The dialog's check boxes as they stand: clear whenever the dialog is closed.
    form.iFindFlags = form.ComputeFlags();
    const qsizetype from = form.iFoundPos + 1;
    form.iFoundPos = doc->rtfText->Find(sLastFindString, from, -1, form.iFindFlags);
    doc->rtfText->setMatchMarks(sLastFindString, form.iFindFlags);
    if (form.iFoundPos >= 0)
        form.matchStatus().found(*doc->rtfText, sLastFindString, form.iFindFlags, from, form.iFoundPos);
    else
        form.matchStatus().notFound();
    if (form.iFoundPos < 0) {
        // iFoundPos is now -1: the next repeat search starts again at the top.
        host.services().messages->show(host.frame(), QStringLiteral("No more occurrences have been found."),
                                       platform::Buttons::Ok, platform::Icon::Exclamation, modMain::AppTitle);
    }
}

} // namespace modFind
