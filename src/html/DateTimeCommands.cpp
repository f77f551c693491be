// The Insert menu's date and time commands of the main window.

#include "document/frmDocument.h"
#include "html/modDateTime.h"
#include "html/modHTML.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

namespace {

void insertStamp(frmMain& main, const QString& procedure, modDateTime::Stamp which)
{
    main.trap(procedure, [&] {
        platform::RichTextBox& rtf = *main.requireActiveForm().rtfText;
        if (modHTML::RefuseOverSelection(*main.services().messages, rtf))
            return;
        modHTML::TypeAtCaret(rtf, modDateTime::StampText(*main.services().clock, which));
    });
}

} // namespace

void frmMain::mnuInsertDate_Click()
{
    insertStamp(*this, QStringLiteral("mnuInsertDate_Click"), modDateTime::Stamp::Date);
}

void frmMain::mnuInsertTime_Click()
{
    insertStamp(*this, QStringLiteral("mnuInsertTime_Click"), modDateTime::Stamp::Time);
}

void frmMain::mnuInsertTimeAndDate_Click()
{
    insertStamp(*this, QStringLiteral("mnuInsertTimeAndDate_Click"), modDateTime::Stamp::DateAndTime);
}
