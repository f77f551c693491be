#include "MainFixture.h"
#include "app/SettingsKeys.h"
#include "document/frmDocument.h"
#include "mainwindow/MenuTable.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

class tst_commands : public QObject {
    Q_OBJECT
private slots:
    void menuTreeIsBuiltFromTheTable();
    void noShortcutIsClaimedTwice();
    void everyShortcutReachesItsCommand();
    void toolbarsCarryTheirKeysAndTooltips();
    void cutAndCopyFollowTheSelection();
    void formatButtonsToggleTheSelection();
    void alignmentButtonsAreOneGroup();
    void viewTogglesShowAndHideBars();
    void toolbarPopupIsTheViewMenu();
    void windowMenuListsAndActivatesDocuments();
    void tilingAndArranging();
    void htmlToolbarTypesIntoTheEditor();
    void commandsWithoutADocumentReportAnError();
    void helpOpensThePageBelowTheProgram();
};

void tst_commands::menuTreeIsBuiltFromTheTable()
{
    MainFixture f;
    for (const MenuRow& row : menuRows()) {
        QAction* a = f.main->action(QString::fromLatin1(row.name));
        QVERIFY2(a, row.name);
        if (QString::fromLatin1(row.caption) != "-")
            QCOMPARE(a->text(), QString::fromUtf8(row.caption));
        QCOMPARE(a->shortcut(), row.shortcut ? QKeySequence(QString::fromLatin1(row.shortcut)) : QKeySequence());
    }
    // The pop-up menu never shows in the menu bar.
    QVERIFY(!f.main->menuBar()->actions().contains(f.main->action("mnuContext")));
    QCOMPARE(f.main->menu("mnuContext")->actions().size(), 6);
    // Cut and Copy start disabled; the View items start ticked.
    for (const char* name : {"mnuEditCut", "mnuEditCopy", "mnuContextCut", "mnuContextCopy"})
        QVERIFY2(!f.main->action(name)->isEnabled(), name);
    for (const char* name : {"mnuViewToolbar", "mnuViewHTMLToolbar", "mnuViewStatusBar"})
        QVERIFY2(f.main->action(name)->isChecked(), name);
    QCOMPARE(f.main->menu("mnuHTMLHeadings")->actions().size(), 6);
}

void tst_commands::noShortcutIsClaimedTwice()
{
    MainFixture f;
    QHash<QKeySequence, QString> owners;
    for (QAction* a : f.main->findChildren<QAction*>()) {
        for (const QKeySequence& k : a->shortcuts()) {
            QVERIFY2(!owners.contains(k), qPrintable(k.toString() + " claimed by " + owners.value(k)
                                                    + " and " + a->objectName()));
            owners.insert(k, a->objectName());
        }
    }
}

void tst_commands::everyShortcutReachesItsCommand()
{
    MainFixture f({{keys::UseSmartTabs, "NO"}});
    for (const MenuRow& row : menuRows()) {
        if (!row.shortcut || QLatin1String(row.name) == QLatin1String("mnuFileExit"))
            continue;
        if (f.main->documents().isEmpty())
            f.main->LoadNewDoc();
        f.editor()->SetFocus();
        QAction* a = f.main->action(QString::fromLatin1(row.name));
        QSignalSpy spy(a, &QAction::triggered);
        f.dialogs->fileAnswers << QString(); // an Open or Save dialog is cancelled
        if (f.main->documents().size() == 1 && f.editor()->TextLength() == 0)
            f.editor()->setSelText("text");
        QTest::keySequence(f.editor()->hwnd(), QKeySequence(QString::fromLatin1(row.shortcut)));
        if (QLatin1String(row.name) == QLatin1String("mnuEditSelectAll")) {
            // The editor takes Ctrl+A as its own Select All, with the same result.
            QCOMPARE(f.editor()->SelLength(), f.editor()->TextLength());
            continue;
        }
        QVERIFY2(spy.count() == 1, row.name);
        for (frmDocument* doc : f.main->documents())
            doc->bIsDirty = false;
    }
    f.dialogs->fileAnswers.clear();
    QVERIFY(f.main->isVisible());
    QTest::keySequence(f.editor() ? f.editor()->hwnd() : f.main.get(), QKeySequence("Ctrl+Q"));
    QVERIFY(!f.main->isVisible());
}

void tst_commands::toolbarsCarryTheirKeysAndTooltips()
{
    MainFixture f;
    for (auto [bar, rows] : {std::pair{f.main->tbToolBar, generalToolRows()},
                             std::pair{f.main->tbHTMLToolBar, htmlToolRows()}}) {
        const QList<QAction*> actions = bar->actions();
        QCOMPARE(actions.size(), qsizetype(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].style == ToolRow::Separator) {
                QVERIFY(actions[i]->isSeparator());
                continue;
            }
            QCOMPARE(actions[i]->objectName(), QString::fromLatin1(rows[i].key));
            QCOMPARE(actions[i]->toolTip(), QString::fromUtf8(rows[i].tooltip));
            QVERIFY2(!actions[i]->icon().isNull(), rows[i].key);
        }
    }
    QCOMPARE(f.main->toolButton(f.main->tbHTMLToolBar, "Template")->toolTip(),
             QStringLiteral("Insert HTML Template  -  F11"));
}

void tst_commands::cutAndCopyFollowTheSelection()
{
    MainFixture f;
    auto enabled = [&] {
        QList<bool> states;
        for (const char* name : {"mnuEditCut", "mnuEditCopy", "mnuContextCut", "mnuContextCopy"})
            states << f.main->action(name)->isEnabled();
        states << f.main->toolButton(f.main->tbToolBar, "Cut")->isEnabled()
               << f.main->toolButton(f.main->tbToolBar, "Copy")->isEnabled();
        return states;
    };
    QCOMPARE(enabled(), QList<bool>(6, false));
    f.type("hello");
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(enabled(), QList<bool>(6, true));
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_Right);
    QCOMPARE(enabled(), QList<bool>(6, false));
    QVERIFY(f.main->action("mnuEditPaste")->isEnabled()); // not touched
    // The active document's selection decides, whichever document was used last.
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_Left, Qt::ShiftModifier);
    QAction* bold = f.main->toolButton(f.main->tbToolBar, "Bold");
    bold->trigger();
    frmDocument* first = f.active();
    f.trigger("mnuFileNew");
    QCOMPARE(enabled(), QList<bool>(6, false));
    QVERIFY(!bold->isChecked());
    f.main->mdiArea()->setActiveSubWindow(first->subWindow());
    QCOMPARE(enabled(), QList<bool>(6, true));
    QVERIFY(bold->isChecked());
}

void tst_commands::formatButtonsToggleTheSelection()
{
    MainFixture f;
    platform::RichTextBox& box = *f.editor();
    box.setSelText("plain bold");
    box.setSelStart(6);
    box.setSelLength(4);
    QAction* bold = f.main->toolButton(f.main->tbToolBar, "Bold");
    bold->trigger();
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    QVERIFY(bold->isChecked());
    bold->trigger();
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
    QVERIFY(!bold->isChecked());
    // A mixed selection counts as not set: all of it becomes bold, without an error.
    box.setSelStart(8);
    box.setSelLength(2);
    bold->trigger();
    box.setSelStart(0);
    box.setSelLength(10);
    QCOMPARE(box.SelBold(), std::optional<bool>());
    bold->trigger();
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    QVERIFY(f.messages->shown.isEmpty());
    f.main->toolButton(f.main->tbToolBar, "Italic")->trigger();
    QCOMPARE(box.SelItalic(), std::optional<bool>(true));
    f.main->toolButton(f.main->tbToolBar, "Underline")->trigger();
    QCOMPARE(box.SelUnderline(), std::optional<bool>(true));
    QVERIFY(f.active()->bIsDirty);
}

void tst_commands::alignmentButtonsAreOneGroup()
{
    MainFixture f;
    f.type("line");
    auto button = [&](const char* key) { return f.main->toolButton(f.main->tbToolBar, key); };
    button("AlignCenter")->trigger();
    QCOMPARE(f.editor()->SelAlignment(), std::optional<int>(platform::RichTextBox::Center));
    QVERIFY(button("AlignCenter")->isChecked());
    button("AlignRight")->trigger();
    QCOMPARE(f.editor()->SelAlignment(), std::optional<int>(platform::RichTextBox::Right));
    QVERIFY(button("AlignRight")->isChecked());
    QVERIFY(!button("AlignCenter")->isChecked());
    QVERIFY(!button("AlignLeft")->isChecked());
    QCOMPARE(f.editor()->Text(), QStringLiteral("line"));
}

void tst_commands::viewTogglesShowAndHideBars()
{
    MainFixture f;
    f.trigger("mnuViewHTMLToolbar");
    QVERIFY(!f.main->tbHTMLToolBar->isVisible());
    QVERIFY(!f.main->action("mnuViewHTMLToolbar")->isChecked());
    f.trigger("mnuViewStatusBar");
    QVERIFY(!f.main->sbStatusBar->isVisible());
    f.trigger("mnuViewHTMLToolbar");
    QVERIFY(f.main->tbHTMLToolBar->isVisible());
    QVERIFY(f.setting(keys::HTMLToolbar).isEmpty()); // saved only when the program ends
    f.trigger("mnuFileExit");
    QCOMPARE(f.setting(keys::MainStatusBar), QStringLiteral("FALSE"));
    QCOMPARE(f.setting(keys::HTMLToolbar), QStringLiteral("TRUE"));
}

void tst_commands::toolbarPopupIsTheViewMenu()
{
    MainFixture f;
    // The toolbar area's own pop-up menu hides a bar as the View menu does, tick and all.
    std::unique_ptr<QMenu> popup(f.main->createPopupMenu());
    popup->actions().value(0)->trigger();
    QVERIFY(!f.main->tbToolBar->isVisible());
    f.trigger("mnuViewToolbar");
    QVERIFY(f.main->tbToolBar->isVisible());
}

void tst_commands::windowMenuListsAndActivatesDocuments()
{
    MainFixture f;
    f.trigger("mnuWindowNewWindow");
    f.trigger("mnuWindowNewWindow");
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 3"));
    QMenu* windows = f.main->menu("mnuWindow");
    QMetaObject::invokeMethod(windows, "aboutToShow");
    QStringList entries;
    QAction* first = nullptr;
    for (QAction* a : windows->actions()) {
        if (a->property("windowListEntry").toBool() && !a->isSeparator()) {
            entries << a->text();
            if (!first)
                first = a;
        }
    }
    QCOMPARE(entries, (QStringList{"&1 Untitled 1", "&2 Untitled 2", "&3 Untitled 3"}));
    first->trigger();
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 1"));
    QMetaObject::invokeMethod(windows, "aboutToShow"); // rebuilt, not appended
    int count = 0;
    for (QAction* a : windows->actions())
        count += a->property("windowListEntry").toBool() && !a->isSeparator();
    QCOMPARE(count, 3);
}

void tst_commands::tilingAndArranging()
{
    MainFixture f({{keys::MaximizeAsDefault, "NO"}});
    f.trigger("mnuFileNew");
    f.trigger("mnuFileNew");
    const QList<QMdiSubWindow*> subs = f.main->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    const QRect area = f.main->mdiArea()->viewport()->rect();
    f.trigger("mnuWindowTileVertical");
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(subs[i]->height(), area.height());
        QVERIFY(qAbs(subs[i]->width() - area.width() / 3) <= 1);
    }
    QVERIFY(subs[0]->x() < subs[1]->x() && subs[1]->x() < subs[2]->x());
    f.trigger("mnuWindowTileHorizontal");
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(subs[i]->width(), area.width());
        QVERIFY(qAbs(subs[i]->height() - area.height() / 3) <= 1);
    }
    QVERIFY(subs[0]->y() < subs[1]->y() && subs[1]->y() < subs[2]->y());
    subs[0]->showMinimized();
    subs[1]->showMinimized();
    f.trigger("mnuWindowArrangeIcons");
    QCOMPARE(subs[0]->geometry().bottom(), area.bottom());
    QCOMPARE(subs[1]->geometry().bottom(), area.bottom());
    QCOMPARE(subs[0]->x(), 0);
    QCOMPARE(subs[1]->x(), subs[0]->width());
    f.trigger("mnuWindowCascade");
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_commands::htmlToolbarTypesIntoTheEditor()
{
    MainFixture f({{keys::HTMLTagCase, "UPPERCASE"}, {keys::UseSmartTabs, "NO"}});
    f.main->tbToolBar->setFocus(); // the editor does not have the focus
    f.main->toolButton(f.main->tbHTMLToolBar, "H1")->trigger();
    QCOMPARE(f.editor()->Text(), QStringLiteral("<H1></H1>"));
}

void tst_commands::commandsWithoutADocumentReportAnError()
{
    MainFixture f;
    f.active()->subWindow()->close();
    for (const char* key : {"Bold", "AlignCenter"}) {
        QAction* button = f.main->toolButton(f.main->tbToolBar, key);
        button->trigger();
        QVERIFY2(!button->isChecked(), key); // refused: the button stays up
    }
    QCOMPARE(f.messages->shown.size(), 2);
    QCOMPARE(f.messages->shown[0].title, QStringLiteral("tbToolBar_ButtonClick"));
    QVERIFY(f.messages->shown[0].prompt.startsWith("Error: 91. "));
    f.trigger("mnuEditPaste");
    QCOMPARE(f.messages->shown.last().title, QStringLiteral("mnuEditPaste_Click"));
}

void tst_commands::helpOpensThePageBelowTheProgram()
{
    MainFixture f;
    f.process->program = "/opt/quiple/bin/quiple";
    const QString before = QDir::currentPath();
    f.trigger("mnuHelpContents");
    f.main->toolButton(f.main->tbToolBar, "Help")->trigger();
    QCOMPARE(f.shell->opened,
             QStringList(2, QStringLiteral("/opt/quiple/bin/Help/QuipleHelp.html")));
    QCOMPARE(QDir::currentPath(), before); // the current folder is left alone

    // Installed, the page lives in <prefix>/share/quiple; a page beside the program (a build
    // tree) comes first.
    f.process->program = f.path("usr/bin/quiple");
    const QString installed = f.path("usr/share/quiple/Help/QuipleHelp.html");
    QDir().mkpath(QFileInfo(installed).path());
    writeFile(installed, "<html></html>");
    f.trigger("mnuHelpContents");
    QCOMPARE(f.shell->opened.last(), installed);
    QDir().mkpath(f.path("usr/bin/Help"));
    writeFile(f.path("usr/bin/Help/QuipleHelp.html"), "<html></html>");
    f.trigger("mnuHelpContents");
    QCOMPARE(f.shell->opened.last(), f.path("usr/bin/Help/QuipleHelp.html"));
}

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
