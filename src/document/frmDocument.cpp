#include "document/frmDocument.h"

#include "app/Host.h"
#include "app/modMain.h"
#include "platform/FileSystem.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"

#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QVBoxLayout>
#include <utility>

frmDocument::frmDocument(Host& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setObjectName(QStringLiteral("frmDocument"));
    setAttribute(Qt::WA_DeleteOnClose);
    rtfText = new platform::RichTextBox(this);
    rtfText->setObjectName(QStringLiteral("rtfText"));
    // The editor fills the window's inner area: no margin and no minimum size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(rtfText);
    setFocusProxy(rtfText);
    connect(rtfText, &platform::RichTextBox::Change, this, &frmDocument::rtfText_Change);
    connect(rtfText, &platform::RichTextBox::KeyPress, this, &frmDocument::rtfText_KeyPress);
    connect(rtfText, &platform::RichTextBox::KeyDown, this, &frmDocument::rtfText_KeyDown);
    connect(rtfText, &platform::RichTextBox::KeyUp, this, &frmDocument::rtfText_KeyUp);
    connect(rtfText, &platform::RichTextBox::MouseUp, this, &frmDocument::rtfText_MouseUp);
    connect(rtfText, &platform::RichTextBox::SelChange, this, &frmDocument::rtfText_SelChange);
    connect(rtfText, &platform::RichTextBox::OLEDragDrop, this, &frmDocument::rtfText_OLEDragDrop);
    connect(rtfText, &platform::RichTextBox::readingEnded, this, &frmDocument::keepTextOfVanishedFile);
}

frmDocument::~frmDocument() = default;

void frmDocument::loadFile(const QString& path, const platform::TextFormat* as)
{
    // Taken before the read: a change another program makes while the file is being read is
    // then seen by the next check, and never overwritten by a Save without a question.
    const QString before = platform::fileStamp(path);
    rtfText->LoadFile(path, as);
    setCaption(path);
    bIsDirty = false;
    diskStamp_ = isUntitled() ? QString() : before;
    keepTextOfVanishedFile();
}

void frmDocument::keepTextOfVanishedFile()
{
    if (!rtfText->fileVanishedWhileRead())
        return;
    // What was read is now the only copy of the file's text.
    diskStamp_ = platform::fileStamp(Caption());
    bIsDirty = true;
    emit fileVanishedWhileRead();
}

void frmDocument::saveFile(const QString& path, int fileType)
{
    rtfText->SaveFile(path, fileType);
    // The caption takes the name only once the file is written, so a later Save never aims at
    // a name that failed.
    setCaption(path);
    bIsDirty = false;
    noteDiskState(); // our own save is not a change by another program
}

void frmDocument::discardUnloaded()
{
    bIsDirty = false;
    if (QMdiSubWindow* sub = subWindow())
        sub->close();
    else
        close();
}

void frmDocument::noteDiskState()
{
    diskStamp_ = isUntitled() ? QString() : platform::fileStamp(Caption());
}

QString frmDocument::Caption() const
{
    return caption_;
}

void frmDocument::setCaption(const QString& caption)
{
    caption_ = caption;
    rtfText->setFileName(caption); // its extension picks the syntax colours
    showTitle();
}

QString frmDocument::markedCaption() const
{
    return bIsDirty ? caption_ + QStringLiteral(" *") : caption_;
}

void frmDocument::showTitle()
{
    setWindowTitle(markedCaption());
}

bool frmDocument::isUntitledCaption(const QString& caption)
{
    return caption.startsWith(QLatin1String("frmDocument")) || caption.startsWith(QLatin1String("Untitled"));
}

bool frmDocument::isUntitled() const
{
    return isUntitledCaption(Caption());
}

QMdiSubWindow* frmDocument::subWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

bool frmDocument::isMinimized() const
{
    const QMdiSubWindow* sub = subWindow();
    return sub ? sub->isMinimized() : QWidget::isMinimized();
}

void frmDocument::rtfText_Change()
{
    bIsDirty = true;
    emit caretMoved(); // what there is to undo changed too
}

void frmDocument::rtfText_KeyDown(int keyCode, int shift)
{
    // Decided on the press: a press that a command took (Shift+F3 types an H3 tag) never gets
    // here, and its release searches nothing, whichever key is let go first.
    if (keyCode == 114) {
        f3Searches_ = false;
        emit searchKeyPressed(shift);
    } else if (keyCode == 13) {
        enterPressedHere_ = true;
    }
}

void frmDocument::rtfText_KeyUp(int keyCode, int shift)
{
    Q_UNUSED(shift); // Shift+Enter and Ctrl+Enter count as Enter
    host_.trap(QStringLiteral("rtfText_KeyUp"), [&] {
        // Only the release of an Enter typed here: the press that closed a dialog went to the
        // dialog, and its release must not indent, or unselect, the text the keyboard returns to.
        if (keyCode == 13 && std::exchange(enterPressedHere_, false) && modMain::bUseSmartTabs)
            SmartTabs();
        else if (keyCode == 114 && std::exchange(f3Searches_, false))
            emit repeatSearchRequested();
    });
}

void frmDocument::Form_Resize()
{
    host_.trap(QStringLiteral("Form_Resize"), [&] {
        if (!isMinimized())
            rtfText->setRightMargin(rtfText->Width() - 400);
    });
}

void frmDocument::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

bool frmDocument::Form_QueryUnload()
{
    bool mayClose = true;
    host_.trap(QStringLiteral("Form_QueryUnload"), [&] {
        if (!bIsDirty)
            return;
        bIsDirty = false;
        const auto answer = host_.services().messages->show(
            host_.frame(), Caption() + QStringLiteral(" has been modified.  Would you like to save the changes?"),
            platform::Buttons::YesNoCancel, platform::Icon::Exclamation, modMain::AppTitle);
        switch (answer) {
        case platform::Answer::Yes: {
            // The window closes only when its text was really written.
            if (!host_.SaveBeforeClose(*this)) {
                bIsDirty = true;
                mayClose = false;
            }
            break;
        }
        case platform::Answer::No:
            break;
        default:
            bIsDirty = true;
            mayClose = false;
            break;
        }
    });
    return mayClose;
}

void frmDocument::closeEvent(QCloseEvent* event)
{
    if (Form_QueryUnload()) {
        emit closing(); // saved, or its changes were turned down
        event->accept();
    } else {
        event->ignore();
    }
}
