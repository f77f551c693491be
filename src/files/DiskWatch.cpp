// Files changed or deleted by another program while they are open: checked when the window is
// activated again, so the user decides before typing over a stale copy.
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

#include <QFileInfo>
#include <QTextBlock>
#include <QTextDocument>

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
    // Reload, keeping the caret on its line.
    platform::RichTextBox& rtf = *doc.rtfText;
    const int line = rtf.document()->findBlock(int(rtf.SelStart())).blockNumber();
    trap(QStringLiteral("Reload"), [&] {
        rtf.LoadFile(path);
        doc.bIsDirty = false;
        NoteDiskState(doc);
        recovery_->discard(doc); // the changes here were given up for the file's text
        const QTextBlock block = rtf.document()->findBlockByNumber(
            std::min(line, rtf.document()->blockCount() - 1));
        rtf.setSelStart(block.isValid() ? block.position() : 0);
    });
}
