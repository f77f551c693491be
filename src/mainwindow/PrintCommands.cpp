// Print Setup and Print of the main window's File menu.
#include "document/frmDocument.h"
#include "files/dlgCommonDialog.h"
#include "mainwindow/frmMain.h"
#include "platform/AppError.h"
#include "platform/RichTextBox.h"

namespace {

// Hide print-to-file (1048576), return a device context (256), collate (16), page numbers (2).
constexpr qint32 kPrintFlags = 1048850;

// Cancel in the dialog ends the command without a message.
template <class F>
void unlessCancelled(F&& body)
{
    try {
        body();
    } catch (const platform::AppError& e) {
        if (e.number != platform::err::Cancel)
            throw;
    }
}

} // namespace

void frmMain::mnuFilePrintSetup_Click()
{
    trap(QStringLiteral("mnuFilePrintSetup_Click"), [&] {
        unlessCancelled([&] {
            dlgCommonDialog& d = *dlg();
            d.DialogTitle = QStringLiteral("Page Setup");
            d.CancelError = true;
            d.Flags = dlgCommonDialog::PrintSetup;
            d.ShowPrinter();
        });
    });
}

void frmMain::mnuFilePrint_Click()
{
    trap(QStringLiteral("mnuFilePrint_Click"), [&] {
        frmDocument* doc = ActiveForm();
        if (!doc)
            return;
        unlessCancelled([&] {
            dlgCommonDialog& d = *dlg();
            d.DialogTitle = QStringLiteral("Print");
            d.CancelError = true;
            d.Flags = kPrintFlags;
            if (doc->rtfText->SelLength() != 0)
                d.Flags += dlgCommonDialog::PrintSelection;
            d.ShowPrinter();
            // The selection, or the whole text: whatever range or copies the dialog says.
            doc->rtfText->SelPrint(d.hDC);
        });
    });
}
