// Files changed or deleted by another program while they are open: checked when the window is
// activated again, so the user decides before typing over a stale copy.
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/Trap.h"

#include <QApplication>
#include <QFileInfo>

namespace {

QString stampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("gone");
    return QStringLiteral("%1 %2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

void frmMain::NoteDiskState(frmDocument& doc)
{
    setDiskStamp(doc, doc.isUntitled() ? QString() : stampOf(doc.Caption()));
}

QString frmMain::DiskStamp(const frmDocument& doc) const
{
    return doc.property("diskStamp").toString();
}

void frmMain::setDiskStamp(frmDocument& doc, const QString& stamp)
{
    doc.setProperty("diskStamp", stamp);
}

void frmMain::CheckDiskChanges(frmDocument& doc)
{
    const QString known = DiskStamp(doc);
    if (known.isEmpty() || doc.isUntitled())
        return;
    // Not while a modal window (a progress window, say) is up: the check comes when the main
    // window is activated again after it.
    if (QApplication::activeModalWidget())
        return;
    const QString path = doc.Caption();
    const QString now = stampOf(path);
    if (now == known)
        return;
    setDiskStamp(doc, now); // asked once per change
    platform::MessageBox& box = *services_.messages;
    if (now == QLatin1String("gone")) {
        box.show(this,
                 path + QStringLiteral(" has been deleted by another program.  Its text stays here; "
                                       "save it to keep it."),
                 platform::Buttons::Ok, platform::Icon::Exclamation, modMain::AppTitle);
        doc.bIsDirty = true;
        recovery_->schedule(doc); // its text now lives only here
        return;
    }
    if (doc.bIsDirty) {
        const auto answer = box.show(
            this,
            path + QStringLiteral(" has been changed by another program.  Reload it and lose "
                                  "your changes here?"),
            platform::Buttons::YesNo, platform::Icon::Question, modMain::AppTitle);
        if (answer != platform::Answer::Yes)
            return;
    }
    // Reload, keeping the caret on its line. Cancelling a long reload keeps the text as it was.
    platform::RichTextBox& rtf = *doc.rtfText;
    const QString before = rtf.Text();
    const qsizetype line = QStringView(before).left(rtf.SelStart()).count(u'\n');
    try {
        rtf.LoadFile(path);
        doc.bIsDirty = false;
        NoteDiskState(doc);
        recovery_->discard(doc); // the changes here were given up for the file's text
        const QString text = rtf.Text();
        qsizetype start = 0;
        for (qsizetype i = 0; i < line; ++i) {
            const qsizetype next = text.indexOf(u'\n', start);
            if (next < 0)
                break;
            start = next + 1;
        }
        rtf.setSelStart(start);
    } catch (const platform::ProgramEnd&) {
        throw;
    } catch (...) {
        const platform::AppError error = platform::currentError();
        if (error.number != platform::err::Cancel)
            box.show(this, platform::errorText(error), platform::Buttons::Ok, platform::Icon::None,
                     QStringLiteral("Reload"));
    }
}
