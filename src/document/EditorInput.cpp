// The document window's handling of its editor's keys, mouse, selection changes and drops,
// and smart tabs.
#include "app/Host.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "document/modCountOccurrences.h"
#include "platform/RedrawFreeze.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"


using platform::RichTextBox;

void frmDocument::rtfText_KeyPress(int& charCode)
{
    host_.trap(QStringLiteral("rtfText_KeyPress"), [&] {
        RichTextBox& box = *rtfText;
        const bool formatKey = charCode == 2 || charCode == 12 || charCode == 18 || charCode == 21;
        if (formatKey && box.isReading()) {
            charCode = 0;
            Q_EMIT box.editRefused();
            return;
        }
        // A selection of mixed format counts as not set: the whole selection takes the format.
        switch (charCode) {
        case 2: // Ctrl+B
            box.setSelBold(!box.SelBold().value_or(false));
            break;
        case 12: // Ctrl+L
            box.setSelAlignment(RichTextBox::Left);
            break;
        case 18: // Ctrl+R
            box.setSelAlignment(RichTextBox::Right);
            break;
        case 21: // Ctrl+U
            box.setSelUnderline(!box.SelUnderline().value_or(false));
            break;
        default:
            return;
        }
        selectionFormatToFrame();
    });
}

void frmDocument::selectionFormatToFrame()
{
    const RichTextBox& box = *rtfText;
    emit selectionFormatChanged(box.SelBold(), box.SelItalic(), box.SelUnderline(), box.SelAlignment());
}

void frmDocument::rtfText_MouseUp(int button, int shift, double x, double y)
{
    Q_UNUSED(shift);
    Q_UNUSED(x);
    Q_UNUSED(y);
    host_.trap(QStringLiteral("rtfText_MouseUp"), [&] {
        emit copyAvailable(rtfText->SelLength() != 0);
        if (button == 2)
            emit contextMenuRequested();
    });
}

void frmDocument::rtfText_SelChange()
{
    host_.trap(QStringLiteral("rtfText_SelChange"), [&] {
        selectionFormatToFrame();
        // The modified flag follows real changes of the text (see rtfText_Change), not the caret.
        // While the file is still read, its progress stays.
        if (!rtfText->isReading())
            host_.setStatusText(QString());
        emit copyAvailable(rtfText->SelLength() != 0);
        emit caretMoved();
    });
}

void frmDocument::rtfText_OLEDragDrop(const QStringList& files)
{
    host_.OpenFiles(files, QStringLiteral("rtfText_OLEDragDrop"));
}

void frmDocument::SmartTabs()
{
    if (rtfText->isReading())
        return; // the Enter was refused
    // Redrawing stays frozen while the caret travels to the line above and back.
    platform::RedrawFreeze freeze(rtfText->hwnd());
    if (rtfText->insertsSpaces()) {
        // Tabs typed now would turn into spaces: the line above's indent is copied as it is.
        const qsizetype line = rtfText->caretLineColumn().first;
        if (line > 0 && rtfText->SelLength() == 0)
            rtfText->setSelText(rtfText->lineIndent(line - 1));
        return;
    }
    const int n = MeasureIndent();
    if (n > 0)
        GenerateTabs(n);
}

namespace {

// Runs one step of the measurement; a step that fails is skipped and the next one runs.
template <class F>
void step(F&& f)
{
    try {
        f();
    } catch (...) {
    }
}

} // namespace

int frmDocument::MeasureIndent()
{
    // The caret goes up to the line before (as a person would with the Up key: a wrapped line
    // is reached at its last display line), that line is measured, and the caret comes back
    // down. The Down key is queued; the tabs typed next are delivered after it.
    RichTextBox& box = *rtfText;
    qsizetype a = 0, b = 0;
    QString t;
    int n = 0;
    step([&] { a = box.SelStart(); });
    step([&] { platform::SendKeys(QStringLiteral("{UP}"), true); });
    step([&] { b = box.SelStart(); });
    step([&] { box.setSelStart(b); });
    step([&] { box.setSelLength(a - b); });
    step([&] { t = box.SelText(); });
    step([&] { n = modCountOccurrences::CountOccurrences(t, QStringLiteral("\t")); });
    step([&] { box.setSelLength(0); });
    step([&] { platform::SendKeys(QStringLiteral("{DOWN}"), false); });
    return n;
}

void frmDocument::GenerateTabs(int count)
{
    host_.trap(QStringLiteral("GenerateTabs"), [&] {
        if (count <= 0)
            return;
        platform::SendKeys(QStringLiteral("{TAB %1}").arg(count), true);
    });
}
