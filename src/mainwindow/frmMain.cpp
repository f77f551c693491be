#include "mainwindow/frmMain.h"

#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "files/dlgCommonDialog.h"
#include "mainwindow/MenuTable.h"
#include "options/modFont.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/Trap.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

using platform::toPixels;
using platform::toTwips;

frmMain::frmMain(platform::Services& services, QStringList arguments, QWidget* parent)
    : QMainWindow(parent), services_(services), arguments_(std::move(arguments))
{
    Q_INIT_RESOURCE(resources);
    setObjectName(QStringLiteral("frmMain"));
    caption_ = modMain::AppTitle;
    setWindowTitle(caption_);
    setAcceptDrops(true);
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("mdiArea"));
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // When a document closes, the one used before it becomes active again, not the oldest.
    mdiArea_->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(mdiArea_);
    // After Qt's own handling of the change, so the frame's title is always ours.
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &frmMain::updateTitle,
            Qt::QueuedConnection);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        refreshCommandState();
        showReading();
        if (auto* doc = sub ? qobject_cast<frmDocument*>(sub->widget()) : nullptr)
            QMetaObject::invokeMethod(this, [this, guard = QPointer<frmDocument>(doc)] {
                if (guard)
                    CheckDiskChanges(*guard);
            }, Qt::QueuedConnection);
    });
    dlgCommonDialog_ = new dlgCommonDialog(services_, this);
    buildMenus();
    // Redo answers both keys other editors give it.
    action(QStringLiteral("mnuEditRedo"))->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Y")),
                                                         QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    // Zoom In answers Ctrl+= too: the same key as Ctrl++ without Shift.
    action(QStringLiteral("mnuViewZoomIn"))->setShortcuts({QKeySequence(QStringLiteral("Ctrl++")),
                                                           QKeySequence(QStringLiteral("Ctrl+="))});
    buildToolbars();
    buildStatusBar();
    recovery_ = std::make_unique<Recovery>(*this, services_.dataFolder);
}

frmMain::~frmMain()
{
    // The area reports its last activation change while the frame's own parts are going.
    disconnect(mdiArea_, nullptr, this, nullptr);
}

QString frmMain::readSetting(const QString& key, const QString& defaultValue) const
{
    return modMain::GetSetting(*services_.settings, key, defaultValue);
}

void frmMain::buildMenus()
{
    std::vector<QMenu*> parents; // parents[level - 1] is the menu that holds items of level
    for (const MenuRow& row : menuRows()) {
        const QString name = QString::fromLatin1(row.name);
        const QString caption = QString::fromUtf8(row.caption);
        parents.resize(row.level);
        QMenu* parent = row.level > 1 ? parents[row.level - 2] : nullptr;
        const bool submenu = row.click == nullptr && caption != QLatin1String("-");
        if (submenu) {
            QMenu* m = nullptr;
            if (parent)
                m = parent->addMenu(caption);
            else if (name == QLatin1String("mnuContext"))
                m = new QMenu(caption, this); // only ever a document's pop-up menu
            else
                m = menuBar()->addMenu(caption);
            m->setObjectName(name);
            m->menuAction()->setObjectName(name);
            m->menuAction()->setEnabled(!row.disabled);
            menus_[name] = m;
            actions_[name] = m->menuAction();
            parents[row.level - 1] = m;
            continue;
        }
        QAction* a = caption == QLatin1String("-") ? parent->addSeparator() : parent->addAction(caption);
        a->setObjectName(name);
        if (row.shortcut) {
            a->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
            a->setShortcutContext(Qt::ApplicationShortcut);
        }
        a->setCheckable(row.checkable);
        a->setChecked(row.checkable);
        a->setEnabled(!row.disabled);
        if (row.click) {
            const auto click = row.click;
            connect(a, &QAction::triggered, this, [this, click, waits = waitsForRead(name)] {
                if (!(waits && refuseWhileReading()))
                    (this->*click)();
            });
        }
        actions_[name] = a;
    }
}

QToolBar* frmMain::buildToolbar(const QString& name, const QString& title,
                                std::span<const ToolRow> rows,
                                void (frmMain::*dispatch)(const QString&))
{
    QToolBar* bar = addToolBar(title);
    bar->setObjectName(name);
    bar->setMovable(false);
    QActionGroup* group = nullptr;
    for (const ToolRow& row : rows) {
        if (row.style == ToolRow::Separator) {
            bar->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(row.key);
        QAction* a = bar->addAction(key);
        a->setObjectName(key);
        a->setToolTip(QString::fromUtf8(row.tooltip));
        a->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(row.icon))));
        if (row.style == ToolRow::Check || row.style == ToolRow::Group)
            a->setCheckable(true);
        if (row.style == ToolRow::Group) {
            if (!group) {
                group = new QActionGroup(bar);
                group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            group->addAction(a);
        }
        connect(a, &QAction::triggered, this, [this, dispatch, key] { (this->*dispatch)(key); });
    }
    return bar;
}

void frmMain::buildToolbars()
{
    tbToolBar = buildToolbar(QStringLiteral("tbToolBar"), QStringLiteral("General"),
                             generalToolRows(), &frmMain::tbToolBar_ButtonClick);
    addToolBarBreak();
    tbHTMLToolBar = buildToolbar(QStringLiteral("tbHTMLToolBar"), QStringLiteral("HTML"),
                                 htmlToolRows(), &frmMain::tbHTMLToolBar_ButtonClick);
    if (QMenu* windows = menu(QStringLiteral("mnuWindow")))
        connect(windows, &QMenu::aboutToShow, this, &frmMain::rebuildWindowList);
    if (QMenu* file = menu(QStringLiteral("mnuFile")))
        connect(file, &QMenu::aboutToShow, this, &frmMain::rebuildRecentFiles);
    if (QMenu* encoding = menu(QStringLiteral("mnuFileEncoding")))
        connect(encoding, &QMenu::aboutToShow, this, &frmMain::fillEncodingMenu);
    findStateActions();
}

void frmMain::buildStatusBar()
{
    sbStatusBar = statusBar();
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    statusPanel_ = new QLabel(this);
    statusPanel_->setObjectName(QStringLiteral("sbStatusBarText"));
    datePanel_ = new QLabel(this);
    datePanel_->setObjectName(QStringLiteral("sbStatusBarDate"));
    timePanel_ = new QLabel(this);
    timePanel_->setObjectName(QStringLiteral("sbStatusBarTime"));
    caretPanel_ = new QLabel(this);
    caretPanel_->setObjectName(QStringLiteral("sbStatusBarCaret"));
    caretPanel_->setAccessibleName(QStringLiteral("Caret position"));
    for (QLabel* panel : {caretPanel_, datePanel_, timePanel_}) {
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setAlignment(Qt::AlignCenter);
        panel->setMinimumWidth(90);
    }
    sbStatusBar->addWidget(statusPanel_, 1);
    sbStatusBar->addPermanentWidget(caretPanel_);
    caretPanel_->setMinimumWidth(caretPanel_->fontMetrics().horizontalAdvance(QStringLiteral("Ln 99999, Col 999")) + 12);
    sbStatusBar->addPermanentWidget(datePanel_);
    sbStatusBar->addPermanentWidget(timePanel_);
    auto tick = [this] {
        const QLocale locale = QLocale::system();
        const QDateTime now = QDateTime::currentDateTime();
        datePanel_->setText(locale.toString(now.date(), QLocale::ShortFormat));
        timePanel_->setText(locale.toString(now.time(), QLocale::ShortFormat));
    };
    tick();
    auto* clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, tick);
    clock->start(1000);
}

void frmMain::setStatusText(const QString& text)
{
    statusPanel_->setText(text);
}

QString frmMain::statusText() const
{
    return statusPanel_->text();
}

QAction* frmMain::action(const QString& name) const
{
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* frmMain::menu(const QString& name) const
{
    const auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
}

QAction* frmMain::toolButton(QToolBar* bar, const QString& key) const
{
    return bar->findChild<QAction*>(key, Qt::FindDirectChildrenOnly);
}

void frmMain::setCaption(const QString& caption)
{
    caption_ = caption;
    updateTitle();
}

QString frmMain::caption() const
{
    return caption_;
}

void frmMain::updateTitle()
{
    QString title = caption_;
    const QMdiSubWindow* sub = mdiArea_->activeSubWindow();
    if (sub && sub->isMaximized() && !sub->windowTitle().isEmpty())
        title += QStringLiteral(" - [") + sub->windowTitle() + u']';
    if (windowTitle() != title)
        setWindowTitle(title);
}

void frmMain::setBackColor(platform::ColorValue color)
{
    const QColor c = platform::toQColor(color, QApplication::palette());
    backColor_ = color;
    mdiArea_->setBackground(c);
}

// The items that need a document: disabled until the first document window exists.
static const char* const kDocumentItems[] = {
    "mnuFileClose", "mnuFilePrint", "mnuFileSave", "mnuFileSaveAs", "mnuEditPaste",
    "mnuEditSelectAll", "mnuEditClear", "mnuEditFind", "mnuEditReplace", "mnuInsertHTMLTags",
    "mnuInsertDate", "mnuInsertTime", "mnuInsertTimeAndDate", "mnuEditGoToLine", "mnuFileEncoding",
    "mnuViewZoomIn", "mnuViewZoomOut", "mnuViewZoomNormal"};

void frmMain::DisableMenuItems()
{
    trap(QStringLiteral("DisableMenuItems"), [&] {
        for (const char* name : kDocumentItems) {
            if (QAction* a = action(QString::fromLatin1(name)))
                a->setEnabled(false);
        }
    });
}

void frmMain::EnableMenuItems()
{
    trap(QStringLiteral("EnableMenuItems"), [&] {
        for (const char* name : kDocumentItems) {
            if (QAction* a = action(QString::fromLatin1(name)))
                a->setEnabled(true);
        }
    });
}

void frmMain::applyBarSetting(const QString& key, const QString& menuItem, QWidget* bar)
{
    const bool on = readSetting(key, keys::True) == keys::True;
    if (QAction* a = action(menuItem))
        a->setChecked(on);
    bar->setVisible(on);
}

void frmMain::restorePlacement()
{
    // A value that does not convert falls back to its key's default; the rest goes on.
    auto twips = [this](const QString& key, int defaultTwips) {
        try {
            return platform::parseTwips(readSetting(key, QString::number(defaultTwips)));
        } catch (const platform::AppError&) {
            return toPixels(defaultTwips);
        }
    };
    int left = twips(keys::MainLeft, 300);
    int top = twips(keys::MainTop, 300);
    int width = twips(keys::MainWidth, 9500);
    int height = twips(keys::MainHeight, 6750);
    if (width <= 0)
        width = toPixels(9500);
    if (height <= 0)
        height = toPixels(6750);

    // Keep the window on a screen that exists now (a monitor may have been removed since).
    QRect frame(left, top, width, height);
    const QList<QScreen*> screens = QGuiApplication::screens();
    bool visible = false;
    for (const QScreen* s : screens)
        visible = visible || s->availableGeometry().intersects(frame);
    if (!visible && !screens.isEmpty()) {
        const QScreen* nearest = screens.first();
        qint64 best = -1;
        for (const QScreen* s : screens) {
            const QPoint d = s->availableGeometry().center() - frame.center();
            const qint64 dist = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
            if (best < 0 || dist < best) {
                best = dist;
                nearest = s;
            }
        }
        const QRect area = nearest->availableGeometry();
        frame.setSize(frame.size().boundedTo(area.size()));
        frame.moveTopLeft(QPoint(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1),
                                 std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1)));
    }
    for (const QScreen* s : screens) {
        if (s->availableGeometry().intersects(frame)) {
            frame.setSize(frame.size().boundedTo(s->availableGeometry().size() * 4));
            break;
        }
    }
    move(frame.topLeft());
    resize(frame.size());
}

void frmMain::MDIForm_Load()
{
    trap(QStringLiteral("MDIForm_Load"), [&] {
        DisableMenuItems();
        SetFilterText();
        const bool maximized = readSetting(keys::MDIMaximized, keys::False) == keys::True;
        setCaption(modMain::AppTitle + u' '
                   + modMain::BuildVersionText(modMain::VersionMajor, modMain::VersionMinor,
                                               modMain::VersionRevision));
        restorePlacement();
        if (maximized)
            setWindowState(windowState() | Qt::WindowMaximized);
        setBackColor(platform::colorOrDefault(readSetting(keys::MainBackColor, QStringLiteral("0")), 0));
        applyBarSetting(keys::MainToolbar, QStringLiteral("mnuViewToolbar"), tbToolBar);
        applyBarSetting(keys::HTMLToolbar, QStringLiteral("mnuViewHTMLToolbar"), tbHTMLToolBar);
        applyBarSetting(keys::MainStatusBar, QStringLiteral("mnuViewStatusBar"), sbStatusBar);
        action(QStringLiteral("mnuViewSyntaxColors"))->setChecked(readSetting(keys::SyntaxColors, keys::True) == keys::True);
        action(QStringLiteral("mnuViewLineNumbers"))->setChecked(readSetting(keys::LineNumbers, keys::True) == keys::True);
        action(QStringLiteral("mnuViewWordWrap"))->setChecked(readSetting(keys::WordWrap, keys::True) == keys::True);
        for (const char* key : {"Cut", "Copy"}) {
            if (QAction* a = toolButton(tbToolBar, QString::fromLatin1(key)))
                a->setEnabled(false);
        }
        openCommandLineFiles();
    });
}

void frmMain::showLoaded()
{
    if (windowState() & Qt::WindowMaximized)
        showMaximized();
    else
        show();
}

frmDocument* frmMain::LoadNewDoc()
{
    frmDocument* made = nullptr;
    trap(QStringLiteral("LoadNewDoc"), [&] {
        if (UntitledCounter == std::numeric_limits<qint32>::max())
            platform::raise(platform::err::Overflow, QStringLiteral("Overflow"));
        ++UntitledCounter;
        auto* doc = new frmDocument(*this);
        EnableMenuItems();
        frmD = doc;
        recovery_->watch(*doc);
        connectDocument(*doc);
        QMdiSubWindow* sub = mdiArea_->addSubWindow(doc);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // The window's own menu would claim Ctrl+W and Ctrl+F4 too, leaving both ambiguous.
        if (QMenu* system = sub->systemMenu()) {
            for (QAction* a : system->actions())
                a->setShortcuts({});
        }
        connect(sub, &QMdiSubWindow::windowStateChanged, this, &frmMain::updateTitle,
                Qt::QueuedConnection);
        connect(sub, &QWidget::windowTitleChanged, this, &frmMain::updateTitle,
                Qt::QueuedConnection);
        platform::RichTextBox& rtf = *doc->rtfText;

        // Each value that does not convert, or names no colour or size, falls back to its key's
        // default; the rest still applies.
        auto color = [this](const QString& key, platform::ColorValue defaultValue) {
            return platform::colorOrDefault(readSetting(key, QString::number(defaultValue)), defaultValue);
        };
        rtf.setBackColor(color(keys::DocBackColor, platform::kWindowBackground));
        rtf.setSelColor(color(keys::DocForeColor, 0));
        rtf.setFontName(readSetting(keys::FontName, keys::DefaultFontName));
        bool ok = false;
        double size = readSetting(keys::FontSize, keys::DefaultFontSize).trimmed().toDouble(&ok);
        // A size the list does not offer (0.0001 would make the text invisible) is no size.
        if (!ok || !(size >= modFont::kSmallestSize && size <= modFont::kLargestSize))
            size = keys::DefaultFontSize.toDouble();
        rtf.setFontSize(size);
        applyDisplayChoices(*doc);
        doc->setCaption(QStringLiteral("Untitled %1").arg(UntitledCounter));
        if (readSetting(keys::MaximizeAsDefault, keys::Yes) == keys::Yes)
            sub->showMaximized();
        else
            sub->show();
        mdiArea_->setActiveSubWindow(sub);
        rtf.SetFocus();
        made = doc;
    });
    return made;
}

frmDocument* frmMain::ActiveForm() const
{
    QMdiSubWindow* sub = mdiArea_->activeSubWindow();
    if (!sub) {
        // While the frame itself is not active, the area reports no active child: take the
        // one on top.
        const QList<QMdiSubWindow*> list = mdiArea_->subWindowList(QMdiArea::StackingOrder);
        if (!list.isEmpty())
            sub = list.last();
    }
    return sub ? qobject_cast<frmDocument*>(sub->widget()) : nullptr;
}

QList<frmDocument*> frmMain::documents() const
{
    QList<frmDocument*> result;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* doc = qobject_cast<frmDocument*>(sub->widget()))
            result << doc;
    }
    return result;
}

int frmMain::OpenFiles(const QStringList& files, const QString& procedure)
{
    int opened = 0;
    for (const QString& file : files) {
        if (file.isEmpty())
            continue;
        frmDocument* doc = LoadNewDoc();
        if (!doc)
            break;
        bool loaded = false;
        try {
            doc->loadFile(file);
            loaded = true;
        } catch (const platform::ProgramEnd&) {
            throw;
        } catch (...) {
            // Cancelling a long load is silent; any other failure is reported as usual.
            const platform::AppError error = platform::currentError();
            if (error.number != platform::err::Cancel)
                services_.messages->show(this, platform::errorText(error), platform::Buttons::Ok,
                                         platform::Icon::None, procedure);
        }
        if (loaded) {
            ++opened;
            noteRecentFile(doc->Caption());
        } else {
            doc->discardUnloaded();
        }
    }
    return opened;
}

void frmMain::MDIForm_OLEDragDrop(const QStringList& files)
{
    OpenFiles(files, QStringLiteral("MDIForm_OLEDragDrop"));
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    event->acceptProposedAction();
    MDIForm_OLEDragDrop(files);
}

bool frmMain::MDIForm_QueryUnload()
{
    bool cancel = false;
    trap(QStringLiteral("MDIForm_QueryUnload"), [&] {
        if (readSetting(keys::ConfirmExit, keys::No) != keys::Yes)
            return;
        const auto answer = services_.messages->show(
            this, QStringLiteral("Are you sure you want to quit?"), platform::Buttons::YesNo,
            platform::Icon::Question, QStringLiteral("Confirm exit..."));
        cancel = answer != platform::Answer::Yes;
    });
    return !cancel;
}

bool frmMain::closeAllDocuments()
{
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->close())
            return false;
    }
    return true;
}

void frmMain::MDIForm_Unload()
{
    trap(QStringLiteral("MDIForm_Unload"), [&] {
        platform::SettingsStore& s = *services_.settings;
        const Qt::WindowStates state = windowState();
        if (state & Qt::WindowMinimized)
            return;
        if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
            modMain::SaveSetting(s, keys::MDIMaximized, keys::True);
        } else {
            modMain::SaveSetting(s, keys::MDIMaximized, keys::False);
            auto save = [&](const QString& key, int pixels) {
                modMain::SaveSetting(s, key, QString::number(static_cast<float>(toTwips(pixels))));
            };
            save(keys::MainLeft, pos().x());
            save(keys::MainTop, pos().y());
            save(keys::MainWidth, width());
            save(keys::MainHeight, height());
        }
        modMain::SaveSetting(s, keys::MainBackColor, QString::number(backColor_));
        auto bar = [&](const QString& key, QWidget* w) {
            modMain::SaveSetting(s, key, w->isVisibleTo(this) ? keys::True : keys::False);
        };
        bar(keys::MainToolbar, tbToolBar);
        bar(keys::HTMLToolbar, tbHTMLToolBar);
        bar(keys::MainStatusBar, sbStatusBar);
    });
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        QMetaObject::invokeMethod(this, [this] {
            if (frmDocument* doc = ActiveForm())
                CheckDiskChanges(*doc);
        }, Qt::QueuedConnection);
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (unloaded_) {
        event->accept();
        return;
    }
    if (!MDIForm_QueryUnload() || !closeAllDocuments()) {
        event->ignore();
        return;
    }
    MDIForm_Unload();
    unloaded_ = true;
    event->accept();
}
