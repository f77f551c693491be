#include "find/frmFind.h"

#include "app/modMain.h"
#include "document/frmDocument.h"
#include "find/MatchStatus.h"
#include "app/Host.h"
#include "platform/DocumentFiles.h"
#include "platform/RedrawFreeze.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/StepsWithProgress.h"
#include "platform/Trap.h"
#include "platform/Twips.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>

using platform::toPixels;

namespace modFind {
QString sLastFindString;
} // namespace modFind

const QString frmFind::kFindCaption = QStringLiteral("&Find");
const QString frmFind::kNextCaption = QStringLiteral("&Next");

namespace {

// Places a control by its position and size in twips.
void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

// The design's sizes were measured for one font. A caption that needs more room here (another
// font, a larger one) widens its control where it stands, and the dialog grows to hold it with
// the design's own margins at the right and the bottom.
void growToCaptions(QDialog& dialog, std::initializer_list<QWidget*> controls)
{
    const int right = dialog.width(), bottom = dialog.height();
    int rightMargin = right, bottomMargin = bottom;
    for (QWidget* w : controls) {
        rightMargin = std::min(rightMargin, right - w->geometry().right() - 1);
        bottomMargin = std::min(bottomMargin, bottom - w->geometry().bottom() - 1);
    }
    QRect used;
    for (QWidget* w : controls) {
        QSize need = w->sizeHint();
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            // The style's least button width is taste, not room the caption needs.
            QString text = button->text();
            text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
            need = QSize(button->fontMetrics().horizontalAdvance(text)
                             + 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button),
                         button->fontMetrics().height() + 4);
        }
        w->resize(std::max(w->width(), need.width()), std::max(w->height(), need.height()));
    }
    // The buttons stand in one column: they stay as wide as each other.
    int buttonWidth = 0;
    for (QWidget* w : controls) {
        if (qobject_cast<QPushButton*>(w))
            buttonWidth = std::max(buttonWidth, w->width());
    }
    for (QWidget* w : controls) {
        if (qobject_cast<QPushButton*>(w))
            w->resize(buttonWidth, w->height());
        used |= w->geometry();
    }
    dialog.setFixedSize(std::max(right, used.right() + 1 + rightMargin),
                        std::max(bottom, used.bottom() + 1 + bottomMargin));
}

} // namespace

frmFind::frmFind(Host& main)
    : QDialog(main.frame(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowCloseButtonHint),
      main_(main)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find / Replace"));
    setFixedSize(toPixels(5205), toPixels(2175));
    matchStatus_ = new MatchStatus(main, this);
    buildControls();
    Load();
    loaded_ = false; // built, not yet used
}

void frmFind::buildControls()
{
    auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto textBox = [this](const char* name) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QLatin1String(name));
        QFont f(QStringLiteral("MS Sans Serif"));
        f.setPointSizeF(9.75);
        t->setFont(f);
        return t;
    };
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    auto check = [this](const char* name, const QString& caption) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(QLatin1String(name));
        return c;
    };

    lblFindWhat = label("lblFindWhat", QStringLiteral("Fi&nd what:"));
    txtFindString = textBox("txtFindString");
    lblReplaceWith = label("lblReplaceWith", QStringLiteral("Re&place with:"));
    txtReplaceString = textBox("txtReplaceString");
    chkMatchCase = check("chkMatchCase", QStringLiteral("Match &case"));
    chkMatchCase->setToolTip(QStringLiteral("Case Sensitivity"));
    chkWholeWord = check("chkWholeWord", QStringLiteral("&Whole word"));
    cmdFind = button("cmdFind", kFindCaption);
    cmdReplace = button("cmdReplace", QStringLiteral("&Replace"));
    cmdReplaceAll = button("cmdReplaceAll", QStringLiteral("Replace &All"));
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"));
    lblFindWhat->setBuddy(txtFindString);
    lblReplaceWith->setBuddy(txtReplaceString);

    place(lblFindWhat, 200, 120, 1215, 255);
    place(txtFindString, 200, 360, 3500, 360);
    place(lblReplaceWith, 200, 960, 1455, 255);
    place(txtReplaceString, 200, 1200, 3500, 360);
    place(chkMatchCase, 450, 1800, 1335, 255);
    place(chkWholeWord, 2200, 1800, 1230, 255);
    place(cmdFind, 3875, 176, 1125, 315);
    place(cmdReplace, 3875, 656, 1125, 315);
    place(cmdReplaceAll, 3875, 1136, 1125, 315);
    place(cmdCancel, 3875, 1616, 1125, 315);
    growToCaptions(*this, {lblFindWhat, lblReplaceWith, chkMatchCase, chkWholeWord, cmdFind,
                           cmdReplace, cmdReplaceAll, cmdCancel});

    QWidget* order[] = {txtFindString, txtReplaceString, cmdFind,      cmdReplace,
                        cmdReplaceAll, cmdCancel,        chkMatchCase, chkWholeWord};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    cmdFind->setDefault(true);

    txtFindString->installEventFilter(this);
    connect(txtFindString, &QLineEdit::textChanged, this, &frmFind::txtFindString_Change);
    connect(txtReplaceString, &QLineEdit::textChanged, this, &frmFind::txtReplaceString_Change);
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdReplace, &QPushButton::clicked, this, &frmFind::cmdReplace_Click);
    connect(cmdReplaceAll, &QPushButton::clicked, this, &frmFind::cmdReplaceAll_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFind::cmdCancel_Click);
    connect(chkMatchCase, &QCheckBox::toggled, this, &frmFind::optionsChanged);
    connect(chkWholeWord, &QCheckBox::toggled, this, &frmFind::optionsChanged);
}

void frmFind::Load()
{
    {
        const QSignalBlocker a(txtFindString), b(txtReplaceString);
        txtFindString->setText(QStringLiteral("txtFindString"));
        txtReplaceString->clear();
    }
    chkMatchCase->setChecked(false);
    chkWholeWord->setChecked(false);
    cmdFind->setText(kFindCaption);
    cmdFind->setDefault(true);
    loaded_ = true;
    Form_Load();
}

void frmFind::done(int result)
{
    // Marks that no search made go with the dialog; those of a search stay until an edit.
    if (marking_ && !searched_) {
        if (frmDocument* doc = main_.ActiveForm())
            doc->rtfText->setMatchMarks(QString(), 0);
    }
    marking_ = false;
    QDialog::done(result);
    // Closing unloads the window: its controls read their initial values until the next use.
    Load();
    loaded_ = false;
}

void frmFind::setSearchText(const QString& text)
{
    if (!loaded_)
        Load();
    {
        const QSignalBlocker quiet(txtFindString);
        txtFindString->setText(text);
    }
    marking_ = true;
    txtFindString_Change();
    txtFindString->selectAll();
    txtFindString->setFocus(Qt::OtherFocusReason);
}

void frmFind::showMarks()
{
    if (frmDocument* doc = main_.ActiveForm())
        doc->rtfText->setMatchMarks(txtFindString->text(), ComputeFlags());
}

void frmFind::optionsChanged()
{
    if (!marking_)
        return;
    searched_ = false;
    showMarks();
}

int frmFind::ComputeFlags() const
{
    int flags = 0;
    if (chkWholeWord->isChecked())
        flags += platform::RichTextBox::WholeWord;
    if (chkMatchCase->isChecked())
        flags += platform::RichTextBox::MatchCase;
    return flags;
}

void frmFind::trap(const QString& procedure, const std::function<void()>& body)
{
    platform::Trap(*main_.services().messages, this, procedure, body);
}

platform::RichTextBox& frmFind::editor() const
{
    return *main_.requireActiveForm().rtfText;
}

void frmFind::notFound(const QString& prompt)
{
    main_.services().messages->show(this, prompt, platform::Buttons::Ok, platform::Icon::Exclamation,
                                    modMain::AppTitle);
}

void frmFind::Form_Load()
{
    trap(QStringLiteral("Form_Load"), [&] {
        cmdFind->setEnabled(false);
        cmdReplace->setEnabled(false);
        cmdReplaceAll->setEnabled(false);
    });
}

void frmFind::txtFindString_Change()
{
    trap(QStringLiteral("txtFindString_Change"), [&] {
        // Every edit of the search text starts a new search from the top.
        cmdFind->setText(kFindCaption);
        cmdFind->setEnabled(!txtFindString->text().isEmpty());
        if (marking_) {
            searched_ = false;
            showMarks();
        }
    });
}

void frmFind::txtReplaceString_Change()
{
    trap(QStringLiteral("txtReplaceString_Change"), [&] {
        const bool any = !txtReplaceString->text().isEmpty();
        cmdReplace->setEnabled(any);
        cmdReplaceAll->setEnabled(any);
    });
}

void frmFind::txtFindString_KeyPress(int keyAscii)
{
    trap(QStringLiteral("txtFindString_KeyPress"), [&] {
        if (keyAscii == 27)
            reject();
    });
}

bool frmFind::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtFindString && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        txtFindString_KeyPress(27);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmFind::keyPressEvent(QKeyEvent* event)
{
    // Esc closes the dialog only from the search box; Cancel is not bound to it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmFind::cmdFind_Click()
{
    trap(QStringLiteral("cmdFind_Click"), [&] {
        platform::RichTextBox& rtf = editor();
        iFindFlags = ComputeFlags();
        showMarks();
        searched_ = true;
        if (cmdFind->text() == kFindCaption) {
            iFoundPos = rtf.Find(txtFindString->text(), 0, -1, iFindFlags);
            if (iFoundPos < 0) {
                matchStatus_->notFound();
                notFound(QStringLiteral("String not found."));
                return;
            }
            matchStatus_->found(rtf, txtFindString->text(), iFindFlags, 0, iFoundPos);
            cmdFind->setText(kNextCaption);
        } else {
            // One character after the start of the last match, so overlapping matches count.
            const qsizetype from = iFoundPos + 1;
            iFoundPos = rtf.Find(txtFindString->text(), from, -1, iFindFlags);
            if (iFoundPos < 0) {
                matchStatus_->notFound();
                notFound(QStringLiteral("No more occurrences have been found."));
                cmdFind->setText(kFindCaption);
            } else {
                matchStatus_->found(rtf, txtFindString->text(), iFindFlags, from, iFoundPos);
            }
        }
    });
}

void frmFind::cmdReplace_Click()
{
    trap(QStringLiteral("cmdReplace_Click"), [&] {
        platform::RichTextBox& rtf = editor();
        // The current match during a Find / Next sequence, otherwise the first in the document.
        iReplacePos = cmdFind->text() == kNextCaption ? std::max<qsizetype>(iFoundPos, 0) : 0;
        iFindFlags = ComputeFlags();
        iReplacePos = rtf.Find(txtFindString->text(), iReplacePos, -1, iFindFlags);
        matchStatus_->notFound();
        if (iReplacePos >= 0) {
            rtf.setSelText(txtReplaceString->text());
            showMarks(); // the edit took them away; the dialog is still open
            searched_ = true;
        } else {
            notFound(QStringLiteral("String not found."));
            cmdFind->setText(kFindCaption);
        }
    });
}

void frmFind::cmdReplaceAll_Click()
{
    trap(QStringLiteral("cmdReplaceAll_Click"), [&] {
        platform::RichTextBox& rtf = editor();
        iFindFlags = ComputeFlags();
        iReplaceAllPos = rtf.Find(txtFindString->text(), 0, -1, iFindFlags);
        if (iReplaceAllPos < 0) {
            notFound(QStringLiteral("String not found."));
            return;
        }
        // One undo step, the editor painted once at the end. The work goes in slices, the other
        // windows painting between them; past a moment a progress window offers Cancel.
        const platform::RedrawFreeze freeze(rtf.hwnd());
        const QString found = txtFindString->text(), replacement = txtReplaceString->text();
        bool first = true;
        const bool finished = platform::runStepsWithProgress(
            this, QStringLiteral("Replacing..."),
            [&](int& permille) {
                const platform::RichTextBox::EditBlock block(rtf, !first);
                first = false;
                platform::StepBudget slice;
                // Each match is looked for behind the text that replaced the one before: a
                // replacement that holds the search text is not matched again, and the loop ends.
                const bool more = rtf.replaceMatches(found, replacement, iFindFlags, &iReplaceAllPos, slice);
                const double length = double(std::max<qsizetype>(1, rtf.TextLength()));
                permille = int(1000.0 * double(std::min(iReplaceAllPos, rtf.TextLength())) / length);
                return more;
            },
            platform::momentMs(),
            // The user's choice: the document goes back to what it was, with nothing to redo.
            [&] { rtf.takeBackLastEdit(); });
        if (!finished)
            main_.setStatusText(QStringLiteral("Replace All was cancelled; nothing was replaced."));
        matchStatus_->notFound();
        showMarks();
        searched_ = true;
    });
}

void frmFind::cmdCancel_Click()
{
    trap(QStringLiteral("cmdCancel_Click"), [&] {
        modFind::sLastFindString = txtFindString->text();
        reject();
    });
}
