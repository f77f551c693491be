// Files changed or deleted by another program while they are open: checked when the window is
// activated again, so the user decides before typing over a stale copy.
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "mainwindow/frmMain.h"
#include "platform/FileSystem.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/Trap.h"


#include <QApplication>


namespace {

// The caret's line counted in '\n' of the text, and the caret put back at its start (or at the
// last line's, when the text has fewer). A plain document counts through its store; a rich one,
// small beside it, through its text, in which a table's cells count as the text shows them.
qsizetype caretLine(const platform::RichTextBox& rtf)
{
    if (!rtf.isRichView())
        return rtf.lineOfOffset(rtf.SelStart());
    return QStringView(rtf.Text()).left(rtf.SelStart()).count(u'\n');
}

void goToLineOf(platform::RichTextBox& rtf, qsizetype line)
{
    if (!rtf.isRichView()) {
        rtf.goToLine(line);
        return;
    }
    const QString text = rtf.Text();
    qsizetype start = 0;
    for (qsizetype i = 0; i < line; ++i) {
        const qsizetype next = text.indexOf(u'\n', start);
        if (next < 0)
            break;
        start = next + 1;
    }
    rtf.setSelStart(start);
}

} // namespace

void frmMain::FileDeletedWhileRead(frmDocument& doc)
{
    services_.messages->show(
        this,
        doc.Caption() + QStringLiteral(" has been deleted by another program.  Its text stays here; "
                                       "save it to keep it.  It went while it was being read, so "
                                       "the text may be incomplete."),
        platform::Buttons::Ok, platform::Icon::Exclamation, modMain::AppTitle);
    recovery_->schedule(doc);
}

void frmMain::CheckDiskChanges(frmDocument& doc)
{
    const QString known = doc.diskStamp();
    if (known.isEmpty() || doc.isUntitled())
        return;
    // A file being read is read as it is now; its end checks again.
    if (doc.rtfText->isReading())
        return;
    // Not while a modal window (a progress window, say) is up: the check comes when the main
    // window is activated again after it.
    if (QApplication::activeModalWidget())
        return;
    const QString path = doc.Caption();
    const QString now = platform::fileStamp(path);
    if (now == known || now == doc.keptOverStamp())
        return; // asked once per change
    platform::MessageBox& box = *services_.messages;
    const bool gone = now == QLatin1String("gone");
    if (gone || now == QLatin1String("not a file")) {
        doc.setDiskStamp(now);
        // Its text now lives only here.
        box.show(this,
                 gone ? path + QStringLiteral(" has been deleted by another program.  Its text "
                                              "stays here; save it to keep it.")
                      : path + QStringLiteral(" has been replaced by a folder or another thing that "
                                              "is not a file.  Its text stays here; save it under "
                                              "another name to keep it."),
                 platform::Buttons::Ok, platform::Icon::Exclamation, modMain::AppTitle);
        doc.bIsDirty = true;
        recovery_->schedule(doc);
        return;
    }
    if (doc.bIsDirty) {
        // Keeping the text here leaves the known stamp as it was, so that a save still asks
        // before writing over the other program's file.
        doc.setKeptOverStamp(now);
        const auto answer = box.show(
            this,
            path + QStringLiteral(" has been changed by another program.  Reload it and lose "
                                  "your changes here?"),
            platform::Buttons::YesNo, platform::Icon::Question, modMain::AppTitle);
        if (answer != platform::Answer::Yes)
            return;
    }
    doc.setDiskStamp(now);
    // Reload, keeping the caret on its line. Cancelling a long reload keeps the text as it was.
    // The line is found through the text's own lines: a copy of a big text would stop the
    // window and hold the old text twice beside the new one.
    platform::RichTextBox& rtf = *doc.rtfText;
    const qsizetype line = caretLine(rtf);
    try {
        doc.loadFile(path);
        recovery_->discard(doc); // the changes here were given up for the file's text
        goToLineOf(rtf, line);
    } catch (const platform::ProgramEnd&) {
        throw;
    } catch (...) {
        const platform::AppError error = platform::currentError();
        if (error.number != platform::err::Cancel) {
            // The file could not be read back: the text here is the only copy the user has seen.
            box.show(this, platform::errorText(error), platform::Buttons::Ok, platform::Icon::None,
                     QStringLiteral("Reload"));
            doc.bIsDirty = true;
            recovery_->schedule(doc);
        }
    }
}
