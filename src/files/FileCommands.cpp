// The File menu's document commands of the main window.
#include "document/frmDocument.h"
#include "app/CommandLine.h"
#include "app/modMain.h"
#include "files/FileFormat.h"
#include "files/Recovery.h"
#include "files/dlgCommonDialog.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/Trap.h"

#include <QMdiSubWindow>

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

// Writes the document under name; false when the user cancelled a long save, which is their
// own choice and goes to the status bar, not to an error box.
bool writeDocument(frmMain& m, frmDocument& doc, const QString& name)
{
    try {
        doc.rtfText->SaveFile(name, SaveFileType(name));
        return true;
    } catch (const platform::AppError& e) {
        if (e.number != platform::err::Cancel)
            throw;
        m.setStatusText(e.description);
        return false;
    }
}

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
        const QString name = d.FileName;
        doc->rtfText->LoadFile(name);
        doc->setCaption(name);
        doc->bIsDirty = false;
        NoteDiskState(*doc);
        d.CancelError = false;
    } catch (...) {
        const platform::AppError error = platform::currentError();
        d.CancelError = false;
        // No half-opened window stays behind.
        doc->bIsDirty = false;
        doc->subWindow()->close();
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

bool frmMain::SaveDocument(frmDocument& doc)
{
    bool saved = false;
    trap(QStringLiteral("mnuFileSave_Click"), [&] {
        QString name;
        if (doc.isUntitled()) {
            dlgCommonDialog& d = *dlg();
            d.DialogTitle = QStringLiteral("Save");
            d.CancelError = false;
            d.Flags = kSaveFlags;
            d.Filter = FilterText;
            d.ShowSave();
            if (d.FileName.isEmpty())
                return;
            name = d.FileName;
        } else {
            name = doc.Caption();
        }
        if (!writeDocument(*this, doc, name))
            return;
        doc.setCaption(name);
        setStatusText(QStringLiteral("Saved: ") + name);
        doc.bIsDirty = false;
        NoteDiskState(doc); // our own save is not a change by another program
        recovery_->discard(doc);
        saved = true;
    });
    return saved;
}

bool frmMain::SaveDocumentAs(frmDocument& doc)
{
    bool saved = false;
    trap(QStringLiteral("mnuFileSaveAs_Click"), [&] {
        dlgCommonDialog& d = *dlg();
        d.DialogTitle = QStringLiteral("Save As");
        d.CancelError = false;
        d.Flags = kSaveFlags;
        d.Filter = FilterText;
        d.ShowSave();
        if (d.FileName.isEmpty())
            return;
        const QString name = d.FileName;
        // The caption takes the new name only once the file is written, so a later Save never
        // aims at a name that failed.
        if (!writeDocument(*this, doc, name))
            return;
        doc.setCaption(name);
        setStatusText(QStringLiteral("Saved: ") + name);
        doc.bIsDirty = false;
        NoteDiskState(doc); // our own save is not a change by another program
        recovery_->discard(doc);
        saved = true;
    });
    return saved;
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
    // Every item opens in its own window; one that cannot be loaded is reported and the rest
    // still open. Without any file the program starts with one empty document.
    int opened = 0;
    if (modMain::ParseCommandLine(modMain::CommandText(arguments_)))
        opened = OpenFiles(modMain::CommandLineItems, QStringLiteral("MDIForm_Load"));
    if (opened == 0)
        LoadNewDoc();
}
