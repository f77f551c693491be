// The frame's own commands: the View toggles, Refresh, the Window commands and the toolbars.
#include "document/frmDocument.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "platform/Services.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/MenuTable.h"
#include "platform/AppError.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

namespace {

void toggleBar(frmMain& m, const QString& item, QWidget* bar)
{
    QAction* a = m.action(item);
    // The triggered menu item has already flipped its tick; the bar follows it.
    bar->setVisible(a->isChecked());
}

} // namespace

void frmMain::mnuViewToolbar_Click()
{
    trap(QStringLiteral("mnuViewToolbar_Click"),
         [&] { toggleBar(*this, QStringLiteral("mnuViewToolbar"), tbToolBar); });
}

void frmMain::mnuViewHTMLToolbar_Click()
{
    trap(QStringLiteral("mnuViewHTMLToolbar_Click"),
         [&] { toggleBar(*this, QStringLiteral("mnuViewHTMLToolbar"), tbHTMLToolBar); });
}

void frmMain::mnuViewStatusBar_Click()
{
    trap(QStringLiteral("mnuViewStatusBar_Click"),
         [&] { toggleBar(*this, QStringLiteral("mnuViewStatusBar"), sbStatusBar); });
}

void frmMain::mnuViewSyntaxColors_Click()
{
    toggleDisplayChoice(QStringLiteral("mnuViewSyntaxColors"), keys::SyntaxColors);
}

void frmMain::mnuViewLineNumbers_Click()
{
    toggleDisplayChoice(QStringLiteral("mnuViewLineNumbers"), keys::LineNumbers);
}

void frmMain::mnuViewWordWrap_Click()
{
    toggleDisplayChoice(QStringLiteral("mnuViewWordWrap"), keys::WordWrap);
}

// Zoom belongs to the document window, like its scroll position: it is not stored, and a new
// window starts at its font's size.
static void zoomActive(frmMain& main, const QString& item, int by)
{
    main.trap(item + QStringLiteral("_Click"), [&] {
        if (frmDocument* doc = main.ActiveForm())
            doc->rtfText->setZoom(by == 0 ? 0 : doc->rtfText->Zoom() + by);
    });
}

void frmMain::mnuViewZoomIn_Click()
{
    zoomActive(*this, QStringLiteral("mnuViewZoomIn"), 1);
}

void frmMain::mnuViewZoomOut_Click()
{
    zoomActive(*this, QStringLiteral("mnuViewZoomOut"), -1);
}

void frmMain::mnuViewZoomNormal_Click()
{
    zoomActive(*this, QStringLiteral("mnuViewZoomNormal"), 0);
}

void frmMain::toggleDisplayChoice(const QString& item, const QString& key)
{
    // Kept at once, unlike the bars: the choice is about every document, open or still to come.
    trap(item + QStringLiteral("_Click"), [&] {
        const bool on = action(item)->isChecked();
        modMain::SaveSetting(*services_.settings, key, on ? keys::True : keys::False);
        for (frmDocument* doc : documents())
            applyDisplayChoices(*doc);
    });
}

void frmMain::applyDisplayChoices(frmDocument& doc)
{
    doc.rtfText->setSyntaxColors(readSetting(keys::SyntaxColors, keys::True) == keys::True);
    doc.rtfText->setLineNumbersVisible(readSetting(keys::LineNumbers, keys::True) == keys::True);
    doc.rtfText->setTabOptions(modMain::TabWidthSetting(*services_.settings),
                               readSetting(keys::InsertSpaces, keys::No) == keys::Yes);
    doc.rtfText->setWordWrap(readSetting(keys::WordWrap, keys::True) == keys::True);
}

QMenu* frmMain::createPopupMenu()
{
    // Qt's own menu would hide a bar behind the View menu's back and leave its tick standing.
    auto* popup = new QMenu(this);
    for (const char* name : {"mnuViewToolbar", "mnuViewHTMLToolbar", "mnuViewStatusBar"}) {
        if (QAction* a = action(QString::fromLatin1(name)))
            popup->addAction(a);
    }
    return popup;
}

void frmMain::mnuViewRefresh_Click()
{
    trap(QStringLiteral("mnuViewRefresh_Click"), [&] {
        frmDocument& doc = requireActiveForm();
        doc.update();
        doc.rtfText->Refresh();
    });
}

void frmMain::mnuWindowNewWindow_Click()
{
    trap(QStringLiteral("mnuWindowNewWindow_Click"), [&] { LoadNewDoc(); });
}

void frmMain::mnuWindowCascade_Click()
{
    trap(QStringLiteral("mnuWindowCascade_Click"), [&] { Arrange(0); });
}

void frmMain::mnuWindowTileHorizontal_Click()
{
    trap(QStringLiteral("mnuWindowTileHorizontal_Click"), [&] { Arrange(1); });
}

void frmMain::mnuWindowTileVertical_Click()
{
    trap(QStringLiteral("mnuWindowTileVertical_Click"), [&] { Arrange(2); });
}

void frmMain::mnuWindowArrangeIcons_Click()
{
    trap(QStringLiteral("mnuWindowArrangeIcons_Click"), [&] { Arrange(3); });
}

void frmMain::Arrange(int arrangement)
{
    QList<QMdiSubWindow*> open, minimized;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isMinimized())
            minimized << sub;
        else if (sub->isVisible())
            open << sub;
    }
    const QRect area = mdiArea_->viewport()->rect();
    switch (arrangement) {
    case 0:
        mdiArea_->cascadeSubWindows();
        return;
    case 1:
    case 2: {
        // Horizontal tiling stacks the windows one above the other, each as wide as the frame;
        // vertical tiling sets them side by side, each as high as the frame.
        const int n = int(open.size());
        if (n == 0)
            return;
        const int reserved = minimized.isEmpty() ? 0 : minimized.first()->height();
        const QRect space = area.adjusted(0, 0, 0, -reserved);
        for (int i = 0; i < n; ++i) {
            QMdiSubWindow* sub = open.at(i);
            sub->showNormal();
            QRect r;
            if (arrangement == 1) {
                const int top = space.top() + space.height() * i / n;
                const int bottom = space.top() + space.height() * (i + 1) / n;
                r = QRect(space.left(), top, space.width(), bottom - top);
            } else {
                const int left = space.left() + space.width() * i / n;
                const int right = space.left() + space.width() * (i + 1) / n;
                r = QRect(left, space.top(), right - left, space.height());
            }
            sub->setGeometry(r);
        }
        return;
    }
    case 3: {
        // Minimized windows line up along the bottom edge, left to right, wrapping upwards.
        int x = area.left(), y = area.bottom();
        for (QMdiSubWindow* sub : minimized) {
            const QSize size = sub->size();
            if (x > area.left() && x + size.width() > area.right()) {
                x = area.left();
                y -= size.height();
            }
            sub->move(x, y - size.height() + 1);
            x += size.width();
        }
        return;
    }
    default:
        platform::raise(platform::err::InvalidProcedureCall,
                        QStringLiteral("Invalid procedure call or argument"));
    }
}

void frmMain::rebuildWindowList()
{
    QMenu* windows = menu(QStringLiteral("mnuWindow"));
    for (QAction* a : windows->actions()) {
        if (a->property("windowListEntry").toBool())
            delete a;
    }
    const QList<frmDocument*> docs = documents();
    if (docs.isEmpty())
        return;
    QAction* bar = windows->addSeparator();
    bar->setProperty("windowListEntry", true);
    frmDocument* active = ActiveForm();
    int number = 0;
    for (frmDocument* doc : docs) {
        ++number;
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(doc->markedCaption())
                                         : QStringLiteral("%1 %2").arg(number).arg(doc->markedCaption());
        QAction* a = windows->addAction(text);
        a->setProperty("windowListEntry", true);
        a->setCheckable(true);
        a->setChecked(doc == active);
        QPointer<frmDocument> target(doc);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target && target->subWindow()) {
                mdiArea_->setActiveSubWindow(target->subWindow());
                target->rtfText->SetFocus();
            }
        });
    }
}

void frmMain::findStateActions()
{
    for (const char* name : {"mnuEditCut", "mnuEditCopy", "mnuContextCut", "mnuContextCopy"}) {
        if (QAction* a = action(QString::fromLatin1(name)))
            cutCopyActions_ << a;
    }
    for (const char* key : {"Cut", "Copy"}) {
        if (QAction* a = toolButton(tbToolBar, QString::fromLatin1(key)))
            cutCopyActions_ << a;
    }
    for (const char* key : {"Bold", "Italic", "Underline", "AlignLeft", "AlignCenter", "AlignRight"})
        formatButtons_ << toolButton(tbToolBar, QString::fromLatin1(key));
}

void frmMain::setCutCopyEnabled(bool enabled)
{
    for (QAction* a : std::as_const(cutCopyActions_))
        a->setEnabled(enabled);
}

void frmMain::refreshCommandState()
{
    // The status text stays: the frame is reactivated after every message box and dialog, and
    // what the last command said must still be there.
    if (frmDocument* doc = ActiveForm()) {
        const platform::RichTextBox& box = *doc->rtfText;
        showSelectionFormat(box.SelBold(), box.SelItalic(), box.SelUnderline(), box.SelAlignment());
        setCutCopyEnabled(box.SelLength() != 0);
        showCaretPosition();
        refreshUndoRedo();
        return;
    }
    setCutCopyEnabled(false);
    showSelectionFormat(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    showCaretPosition();
    refreshUndoRedo();
}

void frmMain::showCaretPosition()
{
    const frmDocument* doc = ActiveForm();
    if (!doc) {
        caretPanel_->clear();
        return;
    }
    const platform::RichTextBox& box = *doc->rtfText;
    const auto [line, column] = box.caretLineColumn();
    QString text = QStringLiteral("Ln %1, Col %2").arg(line + 1).arg(column + 1);
    if (const qsizetype selected = box.SelLength())
        text += QStringLiteral(" (%1 selected)").arg(selected);
    caretPanel_->setText(text);
}

void frmMain::showSelectionFormat(std::optional<bool> bold, std::optional<bool> italic,
                                  std::optional<bool> underline, std::optional<int> alignment)
{
    using Box = platform::RichTextBox;
    const bool on[] = {bold.value_or(false), italic.value_or(false), underline.value_or(false),
                       alignment == Box::Left, alignment == Box::Center, alignment == Box::Right};
    for (qsizetype i = 0; i < formatButtons_.size() && i < qsizetype(std::size(on)); ++i) {
        if (QAction* a = formatButtons_[i])
            a->setChecked(on[i]);
    }
}

namespace {

const ToolRow* rowOf(std::span<const ToolRow> rows, const QString& key)
{
    for (const ToolRow& row : rows) {
        if (row.key && key == QLatin1String(row.key))
            return &row;
    }
    return nullptr;
}

} // namespace

void frmMain::tbToolBar_ButtonClick(const QString& key)
{
    const ToolRow* row = rowOf(generalToolRows(), key);
    if (waitsForRead(key) && refuseWhileReading()) {
        refreshCommandState(); // the format buttons show the selection's format again
        return;
    }
    const bool ran = trap(QStringLiteral("tbToolBar_ButtonClick"), [&] {
        if (row && row->click)
            (this->*row->click)();
    });
    // The click has already pressed or released its button; a refused command leaves them all
    // showing the selection's format again, as they did before it.
    if (!ran)
        refreshCommandState();
}

void frmMain::tbHTMLToolBar_ButtonClick(const QString& key)
{
    const ToolRow* row = rowOf(htmlToolRows(), key);
    if (refuseWhileReading())
        return; // every HTML button inserts text
    trap(QStringLiteral("tbHTMLToolBar_ButtonClick"), [&] {
        if (row && row->click) {
            requireActiveForm().rtfText->SetFocus();
            (this->*row->click)();
        }
    });
}

// A mixed selection counts as not set, so the whole selection takes the format. A command that
// is refused throws, and the toolbar's click shows the selection's format again.
namespace {

template <class Get, class Set>
void toggleFormat(frmMain& main, Get get, Set set)
{
    platform::RichTextBox& box = *main.requireActiveForm().rtfText;
    (box.*set)(!(box.*get)().value_or(false));
    main.showSelectionFormat(box.SelBold(), box.SelItalic(), box.SelUnderline(), box.SelAlignment());
}

void alignSelection(frmMain& main, int alignment)
{
    platform::RichTextBox& box = *main.requireActiveForm().rtfText;
    box.setSelAlignment(alignment);
    main.showSelectionFormat(box.SelBold(), box.SelItalic(), box.SelUnderline(), alignment);
}

} // namespace

void frmMain::toolBold_Click()
{
    toggleFormat(*this, &platform::RichTextBox::SelBold, &platform::RichTextBox::setSelBold);
}

void frmMain::toolItalic_Click()
{
    toggleFormat(*this, &platform::RichTextBox::SelItalic, &platform::RichTextBox::setSelItalic);
}

void frmMain::toolUnderline_Click()
{
    toggleFormat(*this, &platform::RichTextBox::SelUnderline, &platform::RichTextBox::setSelUnderline);
}

void frmMain::toolAlignLeft_Click()
{
    alignSelection(*this, platform::RichTextBox::Left);
}

void frmMain::toolAlignCenter_Click()
{
    alignSelection(*this, platform::RichTextBox::Center);
}

void frmMain::toolAlignRight_Click()
{
    alignSelection(*this, platform::RichTextBox::Right);
}
