// The Insert menu's date and time commands, typed at the active document's caret.

#include "html/HTMLCommands.h"

#include "app/Host.h"
#include "document/frmDocument.h"
#include "html/modDateTime.h"
#include "html/modHTML.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

namespace {

void insertStamp(Host& host, const QString& procedure, modDateTime::Stamp which)
{
    host.trap(procedure, [&] {
        platform::RichTextBox& rtf = *host.requireActiveForm().rtfText;
        if (modHTML::RefuseOverSelection(*host.services().messages, rtf))
            return;
        modHTML::TypeAtCaret(rtf, modDateTime::StampText(*host.services().clock, which));
    });
}

} // namespace

namespace HTMLCommands {

void mnuInsertDate_Click(Host& host)
{
    insertStamp(host, QStringLiteral("mnuInsertDate_Click"), modDateTime::Stamp::Date);
}

void mnuInsertTime_Click(Host& host)
{
    insertStamp(host, QStringLiteral("mnuInsertTime_Click"), modDateTime::Stamp::Time);
}

void mnuInsertTimeAndDate_Click(Host& host)
{
    insertStamp(host, QStringLiteral("mnuInsertTimeAndDate_Click"), modDateTime::Stamp::DateAndTime);
}

} // namespace HTMLCommands
