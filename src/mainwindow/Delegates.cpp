// The frame's handlers whose work belongs to a subsystem around it (the HTML and date commands,
// Find / Replace, help), and the wiring of each new document window's signals to the frame.
#include "auxwindows/frmAbout.h"
#include "auxwindows/modLaunch.h"
#include "document/frmDocument.h"
#include "find/frmFind.h"
#include "html/HTMLCommands.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

void frmMain::connectDocument(frmDocument& doc)
{
    // Whichever document reports, the frame shows what it says, as the active one will have.
    connect(&doc, &frmDocument::selectionFormatChanged, this, &frmMain::showSelectionFormat);
    connect(&doc, &frmDocument::copyAvailable, this, &frmMain::setCutCopyEnabled);
    if (QMenu* context = menu(QStringLiteral("mnuContext"))) {
        connect(&doc, &frmDocument::contextMenuRequested, context,
                [context] { context->popup(QCursor::pos()); });
    }
    connect(&doc, &frmDocument::searchKeyPressed, this,
            [this, d = &doc](int shift) { d->armRepeatSearch(F3RepeatsSearch(shift)); });
    connect(&doc, &frmDocument::repeatSearchRequested, this, [this] { modFind::RepeatSearch(*this); });
    connect(&doc, &frmDocument::caretMoved, this, [this, d = &doc] {
        if (d == ActiveForm()) {
            showCaretPosition();
            refreshUndoRedo();
        }
    });
    connect(&doc, &frmDocument::fileVanishedWhileRead, this, [this, d = &doc] { FileDeletedWhileRead(*d); });
    connect(doc.rtfText, &platform::RichTextBox::readingProgressed, this, &frmMain::showReading);
    connect(doc.rtfText, &platform::RichTextBox::readingEnded, this, [this, d = &doc] { readingEnded(*d); });
    connect(doc.rtfText, &platform::RichTextBox::editRefused, this, [this, d = &doc] {
        if (d == ActiveForm())
            refuseWhileReading();
    });
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

void frmMain::mnuEditFind_Click()
{
    modFind::mnuEditFind_Click(*this);
}

void frmMain::mnuEditReplace_Click()
{
    modFind::mnuEditReplace_Click(*this);
}

void frmMain::mnuHTMLTemplate_Click()
{
    HTMLCommands::mnuHTMLTemplate_Click(*this);
}

void frmMain::mnuHTMLComment_Click()
{
    HTMLCommands::mnuHTMLComment_Click(*this);
}

void frmMain::mnuHTMLH1_Click()
{
    HTMLCommands::mnuHTMLH1_Click(*this);
}

void frmMain::mnuHTMLH2_Click()
{
    HTMLCommands::mnuHTMLH2_Click(*this);
}

void frmMain::mnuHTMLH3_Click()
{
    HTMLCommands::mnuHTMLH3_Click(*this);
}

void frmMain::mnuHTMLH4_Click()
{
    HTMLCommands::mnuHTMLH4_Click(*this);
}

void frmMain::mnuHTMLH5_Click()
{
    HTMLCommands::mnuHTMLH5_Click(*this);
}

void frmMain::mnuHTMLH6_Click()
{
    HTMLCommands::mnuHTMLH6_Click(*this);
}

void frmMain::mnuHTMLBold_Click()
{
    HTMLCommands::mnuHTMLBold_Click(*this);
}

void frmMain::mnuHTMLItalic_Click()
{
    HTMLCommands::mnuHTMLItalic_Click(*this);
}

void frmMain::mnuHTMLUnderline_Click()
{
    HTMLCommands::mnuHTMLUnderline_Click(*this);
}

void frmMain::mnuHTMLLeft_Click()
{
    HTMLCommands::mnuHTMLLeft_Click(*this);
}

void frmMain::mnuHTMLCenter_Click()
{
    HTMLCommands::mnuHTMLCenter_Click(*this);
}

void frmMain::mnuHTMLRight_Click()
{
    HTMLCommands::mnuHTMLRight_Click(*this);
}

void frmMain::mnuInsertDate_Click()
{
    HTMLCommands::mnuInsertDate_Click(*this);
}

void frmMain::mnuInsertTime_Click()
{
    HTMLCommands::mnuInsertTime_Click(*this);
}

void frmMain::mnuInsertTimeAndDate_Click()
{
    HTMLCommands::mnuInsertTimeAndDate_Click(*this);
}

void frmMain::mnuHelpContents_Click()
{
    // By its full path: the current folder is left alone, so files opened by relative names
    // on the command line are still saved where they came from.
    trap(QStringLiteral("mnuHelpContents_Click"),
         [&] { modMain::LaunchURL(services_, this, modMain::HelpPagePath(services_)); });
}

void frmMain::mnuHelpAbout_Click()
{
    trap(QStringLiteral("mnuHelpAbout_Click"), [&] {
        frmAbout about(services_, this);
        about.adjustSize();
        about.move(geometry().center() - about.rect().center());
        services_.modal->exec(about);
    });
}
