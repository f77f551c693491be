// The File menu's document commands of the main window.
#include "document/frmDocument.h"
#include "app/CommandLine.h"
#include "app/modMain.h"
#include "files/FileFormat.h"
#include "files/Recovery.h"
#include "files/dlgCommonDialog.h"
#include "mainwindow/frmMain.h"
#include "platform/DocumentFiles.h"
#include "platform/FileSystem.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/Trap.h"

#include <QFileInfo>
#include <QMdiSubWindow>
#include <optional>

namespace {

struct FilterEntry {
    const char* description;
    const char* patterns;
};

// "All Files" is both first and last, and "*.inc" stands in two entries, as users know them.
const FilterEntry kFilterEntries[] = {
    {"All Files (*.*)", "*.*"},
    {"ASP Files (*.asp;*.aspx;*.asa;*.asax)", "*.asp;*.aspx;*.asa;*.asax"},
    {"Assembly Files (*.asm;*.a86;*.ash;*.asi)", "*.asm;*.a86;*.ash;*.asi"},
    {"Basic Files (*.bas;*.frm;*.cls;*.vb;*.vbs;*.b;*.bi;*.inc;*.qbs;*.script)",
     "*.bas;*.frm;*.cls;*.vb;*.vbs;*.b;*.bi;*.inc;*.qbs;*.script"},
    {"Batch Files (*.bat;*.cmd)", "*.bat;*.cmd"},
    {"C/C++ Files (*.cpp;*.c;*.cc;*.cxx;*.c++;*.c__;*.h;*.hh;*.hxx;*.h++;*.chh;*.hpp;*.h__)",
     "*.cpp;*.c;*.cc;*.cxx;*.c++;*.c__;*.h;*.hh;*.hxx;*.h++;*.chh;*.hpp;*.h__"},
    {"C# Files (*.cs)", "*.cs"},
    {"Cobol Files (*.cob;*.cbl;*.cpy)", "*.cob;*.cbl;*.cpy"},
    {"Cold Fusion Files (*.cfc;*.cfm;*.cfml)", "*.cfc;*.cfm;*.cfml"},
    {"CSS Files (*.css;*.css1)", "*.css;*.css1"},
    {"CSV Files (*.csv)", "*.csv"},
    {"HTML Files (*.htm;*.html;*.htmls;*.htx;*.ht3;*.stm;*.shtml;*.xhtm;*.xhtml)",
     "*.htm;*.html;*.htmls;*.htx;*.ht3;*.stm;*.shtml;*.xhtm;*.xhtml"},
    {"INI Files (*.ini)", "*.ini"},
    {"Java Files (*.java;*.jav;*.j;*.js;*.jsp;*.jsp10;)", "*.java;*.jav;*.j;*.js;*.jsp;*.jsp10;"},
    {"LATEX Files (*.tex;*.ltx)", "*.tex;*.ltx"},
    {"Log Files (*.log)", "*.log"},
    {"Make Files (*.mak;*.make;*.mk)", "*.mak;*.make;*.mk"},
    {"Pascal Files (*.p;*.pas;*.pa3;*.pa4;*.pa5)", "*.p;*.pas;*.pa3;*.pa4;*.pa5"},
    {"Perl Files (*.pl;*.perl;*.pm;*.ph;*.plx;*.prl;*.cgi)", "*.pl;*.perl;*.pm;*.ph;*.plx;*.prl;*.cgi"},
    {"PHP Files (*.php;*.ph2;*.php2;*.ph3;*.php3;*.ph4;*.php4;*.phl;*.phtm;*.phtml;*.pimg;*.inc)",
     "*.php;*.ph2;*.php2;*.ph3;*.php3;*.ph4;*.php4;*.phl;*.phtm;*.phtml;*.pimg;*.inc"},
    {"Python Files (*.py;*.pyw)", "*.py;*.pyw"},
    {"Rich Text Files (*.rtf)", "*.rtf"},
    {"SQL Files (*.sql;*.ddl)", "*.sql;*.ddl"},
    {"Text Files (*.txt;*.asc)", "*.txt;*.asc"},
    {"UNIX/Linux Script Files (*.sh;*.csh;*.cshrc)", "*.sh;*.csh;*.cshrc"},
    {"XML Files (*.xml;*.xsd;*.xsl;*.xslt;*.xdr;*.dcd;*.dtd)", "*.xml;*.xsd;*.xsl;*.xslt;*.xdr;*.dcd;*.dtd"},
    {"All Files (*.*)", "*.*"},
};

constexpr qint32 kOpenFlags = dlgCommonDialog::HideReadOnly | dlgCommonDialog::NoChangeDir;
constexpr qint32 kSaveFlags =
    dlgCommonDialog::OverwritePrompt | dlgCommonDialog::HideReadOnly | dlgCommonDialog::PathMustExist;

} // namespace

int SaveFileType(const QString& name)
{
    return name.right(3).toUpper() == QLatin1String("RTF") ? platform::RichTextBox::RichText
                                                            : platform::RichTextBox::PlainText;
}

namespace {

} // namespace

void frmMain::SetFilterText()
{
    trap(QStringLiteral("SetFilterText"), [&] {
        QStringList parts;
        for (const FilterEntry& e : kFilterEntries)
            parts << QString::fromLatin1(e.description) << QString::fromLatin1(e.patterns);
        FilterText = parts.join(u'|');
    });
}

void frmMain::mnuFileNew_Click()
{
    trap(QStringLiteral("mnuFileNew_Click"), [&] { LoadNewDoc(); });
}

void frmMain::mnuFileOpen_Click()
{
    frmDocument* doc = LoadNewDoc();
    if (!doc)
        return;
    dlgCommonDialog& d = *dlg();
    try {
        doc->setCaption(QStringLiteral("Opening..."));
        d.DialogTitle = QStringLiteral("Open");
        d.CancelError = true;
        d.Filter = FilterText;
        d.Flags = kOpenFlags;
        d.ShowOpen();
        doc->loadFile(d.FileName);
        d.CancelError = false;
        noteRecentFile(doc->Caption());
    } catch (...) {
        const platform::AppError error = platform::currentError();
        d.CancelError = false;
        // No half-opened window stays behind.
        doc->discardUnloaded();
        // Cancel stays silent; a file that cannot be read is named with the reason.
        if (error.number != platform::err::Cancel)
            services_.messages->show(this, error.description, platform::Buttons::Ok,
                                     platform::Icon::Exclamation, modMain::AppTitle);
    }
}

void frmMain::mnuFileClose_Click()
{
    trap(QStringLiteral("mnuFileClose_Click"), [&] {
        if (QMdiSubWindow* sub = requireActiveForm().subWindow())
            sub->close();
    });
}

bool frmMain::ConfirmOverwriteOfChangedFile(frmDocument& doc, const QString& name)
{
    // The file as it is now against the file as this document last read or wrote it: another
    // program may have written it while this window stayed active.
    const QString known = doc.diskStamp();
    const QString now = platform::fileStamp(name);
    if (known.isEmpty() || now == known || platform::fileKind(name) != platform::FileKind::Regular)
        return true;
    return services_.messages->show(
               this,
               name + QStringLiteral(" has been changed by another program since it was opened "
                                     "here.  Overwrite those changes?"),
               platform::Buttons::YesNo, platform::Icon::Question, modMain::AppTitle)
           == platform::Answer::Yes;
}

bool frmMain::ConfirmEncoding(frmDocument& doc, const QString& name)
{
    platform::RichTextBox& rtf = *doc.rtfText;
    platform::TextFormat format = rtf.plainTextFormat();
    if (platform::storesEveryCharacter(format.encoding))
        return true; // no copy of the text to look through
    // The text is looked through piece by piece, without a copy of it; a large one beside the
    // window, which shows its progress past a moment.
    QString found;
    qsizetype line = 1;
    const auto lookIn = [&](QStringView piece) {
        const qsizetype at = platform::firstUnstorable(piece, format);
        if (at >= 0) {
            found = piece.mid(at, piece.at(at).isHighSurrogate() && at + 1 < piece.size() ? 2 : 1).toString();
            line += piece.left(at).count(u'\n');
            return false;
        }
        line += piece.count(u'\n');
        return true;
    };
    const std::shared_ptr<const platform::TextStore::Snapshot> snapshot = rtf.plainSnapshot();
    if (!snapshot) {
        lookIn(rtf.Text());
    } else {
        const auto work = [&](const std::function<bool(int)>& progress) {
            const double total = double(std::max<qsizetype>(1, snapshot->length()));
            qsizetype done = 0;
            snapshot->forEachPiece([&](QStringView piece) {
                done += piece.size();
                return lookIn(piece) && (!progress || progress(int(1000.0 * double(done) / total)));
            });
        };
        if (snapshot->length() < platform::progressFromBytes() / 2) {
            work({});
        } else {
            try {
                platform::runWithProgress(this, QStringLiteral("Checking %1...").arg(QFileInfo(name).fileName()),
                                          QStringLiteral("Saving was cancelled."), work, platform::momentMs());
            } catch (const platform::AppError& e) {
                if (e.number != platform::err::Cancel)
                    throw;
                setStatusText(e.description);
                return false;
            }
        }
    }
    if (found.isEmpty())
        return true;
    const auto answer = services_.messages->show(
        this,
        QStringLiteral("%1 holds characters that %2 cannot store, such as '%3' in line %4.  Save "
                       "it as UTF-8 instead?")
            .arg(name, platform::encodingName(format), found)
            .arg(line),
        platform::Buttons::YesNo, platform::Icon::Question, modMain::AppTitle);
    if (answer != platform::Answer::Yes)
        return false;
    format.encoding = platform::TextFormat::Encoding::Utf8;
    format.charset.clear();
    rtf.setPlainTextFormat(format);
    return true;
}

bool frmMain::ConfirmFormatDrop(frmDocument& doc, const QString& name)
{
    // Asked once for the formatting as it is; a format given after the answer asks again.
    const quint64 format = doc.rtfText->userFormat();
    if (format == 0 || format == doc.formatDropAgreed)
        return true;
    const auto answer = services_.messages->show(
        this,
        name + QStringLiteral(" is saved as plain text, which cannot keep its formatting (bold, "
                              "italic, underline, alignment).  Save it without the formatting?"),
        platform::Buttons::YesNo, platform::Icon::Question, modMain::AppTitle);
    if (answer != platform::Answer::Yes)
        return false;
    doc.formatDropAgreed = format;
    return true;
}

bool frmMain::WriteDocument(frmDocument& doc, const QString& name, bool ownFile)
{
    const int fileType = SaveFileType(name);
    if (ownFile && !ConfirmOverwriteOfChangedFile(doc, name))
        return false;
    // Said before the first save over the file, which is the last moment its content is whole.
    if (const QString unkept = doc.rtfText->unkeptContent(); ownFile && !unkept.isEmpty()) {
        const auto answer = services_.messages->show(
            this,
            QStringLiteral("%1 holds %2, which %3 cannot keep: saving over it loses them.  Save it "
                           "under another name instead?")
                .arg(name, unkept, modMain::AppTitle),
            platform::Buttons::YesNoCancel, platform::Icon::Exclamation, modMain::AppTitle);
        if (answer == platform::Answer::Yes)
            return SaveDocumentAs(doc);
        if (answer != platform::Answer::No)
            return false;
    }
    const platform::TextFormat format = doc.rtfText->plainTextFormat();
    if (fileType == platform::RichTextBox::PlainText
        && (!ConfirmFormatDrop(doc, name) || !ConfirmEncoding(doc, name)))
        return false;
    // A file its owner marked read-only is written over only when the owner says so; it stays
    // read-only afterwards.
    std::optional<platform::ReadOnlyOverride> readOnly;
    if (platform::writeAccess(name) == platform::WriteAccess::OwnReadOnly) {
        const auto answer = services_.messages->show(
            this, name + QStringLiteral(" is read-only.  Save over it anyway?"),
            platform::Buttons::YesNo, platform::Icon::Question, modMain::AppTitle);
        if (answer != platform::Answer::Yes)
            return false;
        readOnly.emplace(name);
    }
    try {
        doc.saveFile(name, fileType);
    } catch (const platform::AppError& error) {
        doc.rtfText->setPlainTextFormat(format); // written in nothing new after all
        // A cancelled long save is the user's own choice: said in the status bar, not as an error.
        if (error.number != platform::err::Cancel)
            throw;
        setStatusText(error.description);
        return false;
    } catch (...) {
        doc.rtfText->setPlainTextFormat(format);
        throw;
    }
    setStatusText(QStringLiteral("Saved: ") + name);
    noteRecentFile(name);
    recovery_->discard(doc);
    return true;
}

QString frmMain::AskSaveName(const QString& title)
{
    dlgCommonDialog& d = *dlg();
    d.DialogTitle = title;
    d.CancelError = false;
    d.Flags = kSaveFlags;
    d.Filter = FilterText;
    d.ShowSave();
    return d.FileName;
}

bool frmMain::SaveDocument(frmDocument& doc)
{
    bool saved = false;
    trap(QStringLiteral("mnuFileSave_Click"), [&] {
        if (!doc.isUntitled()) {
            saved = WriteDocument(doc, doc.Caption(), true);
            return;
        }
        const QString name = AskSaveName(QStringLiteral("Save"));
        if (!name.isEmpty())
            saved = WriteDocument(doc, name, false);
    });
    return saved;
}

bool frmMain::SaveDocumentAs(frmDocument& doc)
{
    bool saved = false;
    trap(QStringLiteral("mnuFileSaveAs_Click"), [&] {
        const QString name = AskSaveName(QStringLiteral("Save As"));
        if (!name.isEmpty())
            saved = WriteDocument(doc, name, false);
    });
    return saved;
}

bool frmMain::SaveBeforeClose(frmDocument& doc)
{
    return doc.isUntitled() ? SaveDocumentAs(doc) : SaveDocument(doc);
}

void frmMain::mnuFileSave_Click()
{
    if (frmDocument* doc = ActiveForm())
        SaveDocument(*doc);
}

void frmMain::mnuFileSaveAs_Click()
{
    if (frmDocument* doc = ActiveForm())
        SaveDocumentAs(*doc);
}

void frmMain::mnuFileExit_Click()
{
    trap(QStringLiteral("mnuFileExit_Click"), [&] { close(); });
}

void frmMain::openCommandLineFiles()
{
    // The system hands the arguments over already split: each is one file name, taken whole.
    // Every file opens in its own window; one that cannot be loaded is reported and the rest
    // still open. Without any file the program starts with one empty document.
    if (OpenFiles(arguments_, QStringLiteral("MDIForm_Load")) == 0)
        LoadNewDoc();
}
