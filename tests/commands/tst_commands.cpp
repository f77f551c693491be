#include "MainFixture.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QMdiArea>
#include <QLabel>
#include <QSpinBox>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

class tst_commands : public QObject {
    Q_OBJECT
private slots:
    void menusAsTheUserSeesThem();
    void toolbarsAsTheUserSeesThem();
    void toolbarButtonsDoWhatTheySay_data();
    void toolbarButtonsDoWhatTheySay();
    void shortcutsReachTheirCommands();
    void cutAndCopyFollowTheSelection();
    void formatButtonsToggleTheSelection();
    void viewTogglesShowAndHideBars();
    void zoomIsPerWindowAndWordWrapForAll();
    void windowMenuListsArrangesAndActivatesDocuments();
    void commandsWithoutADocumentReportAnError();
    void undoRedoAndGoToLine();
    void eachCommandIsOneUndoStep();
};

namespace {
// Menu items as shown: caption and key, "-" a separator, "~" greyed, "*" ticked, a submenu's items
// in brackets; toolbar buttons as key=tooltip.
QString outline(const QWidget* w)
{
    QStringList items;
    for (const QAction* a : w->actions()) {
        QString item = a->isSeparator() ? QStringLiteral("-")
            : qobject_cast<const QToolBar*>(w) ? a->objectName() + '=' + a->toolTip() : a->text();
        if (!a->shortcut().isEmpty())
            item += ' ' + a->shortcut().toString();
        if (a->menu())
            item += '[' + outline(a->menu()) + ']';
        items << QString(a->isEnabled() ? "" : "~") + QString(a->isChecked() ? "*" : "") + item;
    }
    return items.join('|');
}

QStringList menuBarOutline(frmMain& m)
{
    QStringList menus;
    for (QAction* a : m.menuBar()->actions()) {
        QMetaObject::invokeMethod(a->menu(), "aboutToShow");
        menus << a->text() + ": " + outline(a->menu());
    }
    return menus;
}
} // namespace

void tst_commands::menusAsTheUserSeesThem()
{
    MainFixture f;
    QCOMPARE(menuBarOutline(*f.main), (QStringList{
        "&File: &New Ctrl+N|&Open... Ctrl+O|&Close Ctrl+W|-|&Save Ctrl+S|Save &As...|&Encoding[]|-|"
        "Print Set&up...|&Print... Ctrl+P|-|E&xit Ctrl+Q",
        "&Edit: ~&Undo Ctrl+Z|~&Redo Ctrl+Y|-|~Cu&t  Ctrl+X|~&Copy  Ctrl+C|&Paste  Ctrl+V|-|Cle&ar|"
        "Select A&ll Ctrl+A|-|&Find Ctrl+F|&Replace Ctrl+H|-|&Go to Line... Ctrl+G",
        "&View: *&General Toolbar|*&HTML Toolbar|*Status &Bar|-|&Refresh|-|*Syntax &Colors|*&Line Numbers|"
        "*&Word Wrap|-|Zoom &In Ctrl++|Zoom &Out Ctrl+-|&Normal Size Ctrl+0",
        "&Tools: &Options...",
        "&Insert: &HTML Tags[&Template F11|&Comment F12|-|Hea&dings[H&1 Tag Shift+F1|"
        "H&2 Tag Shift+F2|H&3 Tag Shift+F3|H&4 Tag Shift+F4|H&5 Tag Shift+F5|H&6 Tag Shift+F6]|"
        "&Formatting[&Bold Tag Shift+F7|&Italic Tag Shift+F8|&Underline Tag Shift+F9]|"
        "&Alignment[Align &Left Tag F7|Align &Center Tag F8|Align &Right Tag F9]]|"
        "&Date F4|&Time F5|Date &and Time F6",
        "&Window: &New Window|-|&Cascade|Tile &Horizontal|Tile &Vertical|&Arrange Icons|-|"
        "*&1 Untitled 1",
        "&Help: &Contents... F1|&About Quiple..."}));
    QCOMPARE(outline(f.main->menu("mnuContext")),
             QStringLiteral("~&Undo|~&Redo|-|~Cu&t|~&Copy|&Paste|-|Select &All|&Clear"));
    // The items that need a document grey at load, come back with the first document and stay.
    f.main->DisableMenuItems();
    const QStringList items = menuBarOutline(*f.main).join('|').split(QRegularExpression("\\||\\[|\\]|: "));
    QCOMPARE(items.filter(QRegularExpression("^~")),
             (QStringList{"~&Close Ctrl+W", "~&Save Ctrl+S", "~Save &As...", "~&Encoding", "~&Print... Ctrl+P", "~&Undo Ctrl+Z",
                          "~&Redo Ctrl+Y", "~Cu&t  Ctrl+X", "~&Copy  Ctrl+C", "~&Paste  Ctrl+V", "~Cle&ar",
                          "~Select A&ll Ctrl+A", "~&Find Ctrl+F", "~&Replace Ctrl+H", "~&Go to Line... Ctrl+G",
                          "~Zoom &In Ctrl++", "~Zoom &Out Ctrl+-", "~&Normal Size Ctrl+0", "~&HTML Tags", "~&Date F4", "~&Time F5", "~Date &and Time F6"}));
    f.main->LoadNewDoc();
    for (frmDocument* doc : f.main->documents())
        doc->subWindow()->close();
    QTRY_VERIFY(f.main->documents().isEmpty());
    QVERIFY(f.main->action("mnuFileSave")->isEnabled() && f.main->action("mnuInsertHTMLTags")->isEnabled());
}

void tst_commands::toolbarsAsTheUserSeesThem()
{
    MainFixture f({{QStringLiteral("HTMLTagCase"), "UPPERCASE"}, {"UseSmartTabs", "NO"}});
    QCOMPARE(outline(f.main->tbToolBar),
             QStringLiteral("New=New  -  Ctrl+N|Open=Open  -  Ctrl+O|Save=Save  -  Ctrl+S|-|"
                            "Print=Print  -  Crtl+P|-|Find=Find  -  Ctrl+F|-|Delete=Delete  -  Del|"
                            "~Cut=Cut  -  Ctrl+X|~Copy=Copy  -  Ctrl+C|Paste=Paste  -  Ctrl+V|-|"
                            "Bold=Bold  -  Ctrl+B|Italic=Italic|Underline=Underline  -  Ctrl+U|-|"
                            "*AlignLeft=Align Left  -  Ctrl+L|AlignCenter=Align Center|"
                            "AlignRight=Align Right  -  Ctrl+R|-|Help=Help  -  F1"));
    QCOMPARE(outline(f.main->tbHTMLToolBar),
             QStringLiteral("Template=Insert HTML Template  -  F11|Comment=Comment Selection  -  F12|-|"
                            "H1=H1 Tag  -  Shift+F1|H2=H2 Tag  -  Shift+F2|H3=H3 Tag  -  Shift+F3|"
                            "H4=H4 Tag  -  Shift+F4|H5=H5 Tag  -  Shift+F5|H6=H6 Tag  -  Shift+F6|-|"
                            "Bold=Bold Tag  -  Shift+F7|Italic=Italic Tag  -  Shift+F8|"
                            "Underline=Underline Tag  -  Shift+F9|-|AlignLeft=Align Left Tag  -  F7|"
                            "AlignCenter=Align Center Tag  -  F8|AlignRight=Align Right Tag  -  F9"));
    for (QAction* a : f.main->tbToolBar->actions() + f.main->tbHTMLToolBar->actions())
        QVERIFY2(a->isSeparator() || !a->icon().isNull(), qPrintable(a->objectName()));
    f.process->program = "/opt/quiple/bin/quiple";
    const QString folder = QDir::currentPath();
    f.main->toolButton(f.main->tbToolBar, "Help")->trigger();
    QCOMPARE(f.shell->opened, QStringList{"/opt/quiple/bin/Help/QuipleHelp.html"});
    QCOMPARE(QDir::currentPath(), folder); // the current folder is left alone
    // Installed, the page is in <prefix>/share/quiple; one beside the program (a build) comes first.
    f.process->program = f.path("usr/bin/quiple");
    for (const QString page : {"usr/share/quiple/Help/QuipleHelp.html", "usr/bin/Help/QuipleHelp.html"}) {
        QDir().mkpath(QFileInfo(f.path(page)).path());
        writeFile(f.path(page), "<html></html>");
        f.trigger("mnuHelpContents");
        QCOMPARE(f.shell->opened.last(), f.path(page));
    }
}

void tst_commands::toolbarButtonsDoWhatTheySay_data()
{
    // What the user sees after the click: the windows that came up, the active document (its
    // text with the selection in brackets or the caret as "|"), and the clipboard.
    QTest::addColumn<QString>("bar");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString word = "say [hello]";
    QTest::newRow("New") << "tbToolBar" << "New" << word << "Untitled 2: | CLIP";
    QTest::newRow("Open") << "tbToolBar" << "Open" << word << "Open, Untitled 1: say [hello] CLIP";
    QTest::newRow("Save") << "tbToolBar" << "Save" << word << "Save, Untitled 1: say [hello] CLIP";
    QTest::newRow("Print") << "tbToolBar" << "Print" << word << "Print, Untitled 1: say [hello] CLIP";
    QTest::newRow("Find") << "tbToolBar" << "Find" << word << "Find / Replace, Untitled 1: say [hello] CLIP";
    QTest::newRow("Delete") << "tbToolBar" << "Delete" << word << "Untitled 1: say | CLIP";
    QTest::newRow("Cut") << "tbToolBar" << "Cut" << word << "Untitled 1: say | hello";
    QTest::newRow("Copy") << "tbToolBar" << "Copy" << word << "Untitled 1: say [hello] hello";
    QTest::newRow("Paste") << "tbToolBar" << "Paste" << word << "Untitled 1: say CLIP| CLIP";
    QTest::newRow("Template") << "tbHTMLToolBar" << "Template" << "say |hello"
        << "Untitled 1: |say <HTML>\n<HEAD>\n<TITLE>TITLE GOES HERE</TITLE>\n</HEAD>\n<BODY>\n\n"
           "BODY TEXT GOES HERE\n\n</BODY>\n</HTML>hello CLIP";
    QTest::newRow("Comment") << "tbHTMLToolBar" << "Comment" << word << "Untitled 1: say <!-- hello -->| CLIP";
    const std::pair<const char*, const char*> tags[] = {{"H1", "<H1>hello</H1>|"}, {"H2", "<H2>hello</H2>|"},
        {"H3", "<H3>hello</H3>|"}, {"H4", "<H4>hello</H4>|"}, {"H5", "<H5>hello</H5>|"}, {"H6", "<H6>hello</H6>|"},
        {"Bold", "<B>hello</B>|"}, {"Italic", "<I>hello</I>|"}, {"Underline", "<U>hello</U>|"},
        {"AlignLeft", "<P ALIGN=\"LEFT\">hello|</P>"}, {"AlignCenter", "<P ALIGN=\"CENTER\">hello|</P>"},
        {"AlignRight", "<P ALIGN=\"RIGHT\">hello|</P>"}};
    for (const auto& [key, tagged] : tags)
        QTest::addRow("%s tag", key) << "tbHTMLToolBar" << key << word << u"Untitled 1: say %1 CLIP"_qs.arg(tagged);
}

void tst_commands::toolbarButtonsDoWhatTheySay()
{
    QFETCH(QString, bar);
    QFETCH(QString, key);
    QFETCH(QString, before);
    QFETCH(QString, after);
    MainFixture f({{QStringLiteral("HTMLTagCase"), "UPPERCASE"}, {"UseSmartTabs", "NO"}});
    const qsizetype from = before.indexOf(u'['), caret = before.indexOf(u'|');
    f.editor()->setSelText(QString(before).remove(QRegularExpression("[][|]")));
    f.editor()->setSelStart(from >= 0 ? from : caret);
    f.editor()->setSelLength(from >= 0 ? before.indexOf(u']') - from - 1 : 0);
    QGuiApplication::clipboard()->setText("CLIP");
    QStringList seen;
    f.modal->scripts << [&](QDialog& d) { seen << d.windowTitle(), d.reject(); };
    auto* toolbar = f.main->findChild<QToolBar*>(bar);
    toolbar->setFocus(); // an HTML tag goes into the editor all the same
    QTest::mouseClick(toolbar->widgetForAction(f.main->toolButton(toolbar, key)), Qt::LeftButton);
    for (const auto& request : f.dialogs->fileRequests)
        seen << request.title;
    seen += f.dialogs->printTitles;
    platform::RichTextBox& box = *f.editor();
    QString text = box.Text();
    if (box.SelLength() > 0)
        text.insert(box.SelStart() + box.SelLength(), u']').insert(box.SelStart(), u'[');
    else
        text.insert(box.SelStart(), u'|');
    const QString document = f.active()->Caption() + ": " + text + ' ' + QGuiApplication::clipboard()->text();
    QCOMPARE(seen.isEmpty() ? document : seen.join(", ") + ", " + document, after);
}

void tst_commands::shortcutsReachTheirCommands()
{
    // Each key typed in the editor runs exactly the item that shows it (Ctrl+A is the editor's own).
    MainFixture f({{QStringLiteral("UseSmartTabs"), "NO"}});
    QStringList fired;
    for (QAction* a : f.main->findChildren<QAction*>())
        connect(a, &QAction::triggered, a, [&fired, a] { fired << a->shortcut().toString(); });
    const QStringList keys = QStringLiteral(
        "Ctrl+N Ctrl+O Ctrl+W Ctrl+S Ctrl+P Ctrl+F Ctrl+H F11 F12 Shift+F1 Shift+F2 Shift+F3 "
        "Shift+F4 Shift+F5 Shift+F6 Shift+F7 Shift+F8 Shift+F9 F7 F8 F9 F4 F5 F6 F1 Ctrl++ Ctrl+- Ctrl+0 "
        "Ctrl+Q").split(' ');
    for (const QString& key : keys) {
        if (f.main->documents().isEmpty())
            f.main->LoadNewDoc();
        f.editor()->SetFocus();
        f.dialogs->fileAnswers = {QString()}; // an Open or Save dialog is cancelled
        if (f.editor()->TextLength() == 0)
            f.editor()->setSelText("text");
        for (frmDocument* doc : f.main->documents())
            doc->bIsDirty = false;
        fired.clear();
        QTest::keySequence(f.editor()->hwnd(), QKeySequence(key));
        QCOMPARE(fired, QStringList{key});
    }
    QVERIFY(!f.main->isVisible());
}

void tst_commands::cutAndCopyFollowTheSelection()
{
    MainFixture f;
    auto enabled = [&] {
        QList<bool> states;
        for (const char* name : {"mnuEditCut", "mnuEditCopy", "mnuContextCut", "mnuContextCopy"})
            states << f.main->action(name)->isEnabled();
        return states << f.main->toolButton(f.main->tbToolBar, "Cut")->isEnabled()
                      << f.main->toolButton(f.main->tbToolBar, "Copy")->isEnabled();
    };
    QCOMPARE(enabled(), QList<bool>(6, false));
    f.type("hello");
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(enabled(), QList<bool>(6, true));
    // The active document's selection decides, whichever document was used last.
    QAction* bold = f.main->toolButton(f.main->tbToolBar, "Bold");
    bold->trigger();
    frmDocument* first = f.active();
    f.trigger("mnuFileNew");
    QVERIFY(enabled() == QList<bool>(6, false) && !bold->isChecked());
    f.main->mdiArea()->setActiveSubWindow(first->subWindow());
    QVERIFY(enabled() == QList<bool>(6, true) && bold->isChecked());
}

void tst_commands::formatButtonsToggleTheSelection()
{
    MainFixture f;
    platform::RichTextBox& box = *f.editor();
    box.setSelText("plain bold");
    auto select = [&](int start, int length) { box.setSelStart(start), box.setSelLength(length); };
    auto button = [&](const char* key) { return f.main->toolButton(f.main->tbToolBar, key); };
    select(6, 4);
    button("Bold")->trigger();
    QVERIFY(box.SelBold() == true && button("Bold")->isChecked());
    button("Bold")->trigger();
    QVERIFY(box.SelBold() == false && !button("Bold")->isChecked());
    // A mixed selection counts as not set: all of it becomes bold, without an error.
    select(8, 2);
    button("Bold")->trigger();
    select(0, 10);
    QCOMPARE(box.SelBold(), std::optional<bool>());
    for (const char* key : {"Bold", "Italic", "Underline"})
        button(key)->trigger();
    QVERIFY(box.SelBold() == true && box.SelItalic() == true && box.SelUnderline() == true);
    // The alignment buttons are one group.
    for (auto [key, alignment] : {std::pair{"AlignCenter", platform::RichTextBox::Center},
                                  std::pair{"AlignRight", platform::RichTextBox::Right},
                                  std::pair{"AlignLeft", platform::RichTextBox::Left}}) {
        button(key)->trigger();
        QCOMPARE(box.SelAlignment(), std::optional<int>(alignment));
        QVERIFY(button(key)->isChecked() && button("AlignCenter")->isChecked() + button("AlignRight")->isChecked()
                                                    + button("AlignLeft")->isChecked() == 1);
    }
    QCOMPARE(box.Text(), QStringLiteral("plain bold"));
    QVERIFY(f.messages->shown.isEmpty() && f.active()->bIsDirty);
}

void tst_commands::zoomIsPerWindowAndWordWrapForAll()
{
    {
        MainFixture f;
        // With no document, nothing to zoom and nothing said.
        f.trigger("mnuFileClose");
        f.trigger("mnuViewZoomIn");
        QVERIFY(f.main->documents().isEmpty() && f.messages->shown.isEmpty());
        f.trigger("mnuFileNew");
        platform::RichTextBox* first = f.editor();
        QTest::keyClick(first->hwnd(), Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(first->hwnd(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(first->Zoom(), 2);
        // A new window starts at its font's size; zooming it leaves the first as it was.
        f.trigger("mnuFileNew");
        QCOMPARE(f.editor()->Zoom(), 0);
        QTest::keyClick(f.editor()->hwnd(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(f.editor()->Zoom() * 10 + first->Zoom(), -8);
        QTest::keyClick(f.editor()->hwnd(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(f.editor()->Zoom(), 0);
        QVERIFY(f.setting("FontSize").isEmpty() && first->FontSize() == f.editor()->FontSize());
        // Word wrap goes off for every window, open or new, and the choice is kept at once.
        QVERIFY(f.main->action("mnuViewWordWrap")->isChecked() && first->WordWrap());
        f.trigger("mnuViewWordWrap");
        f.trigger("mnuFileNew");
        QVERIFY(!first->WordWrap() && !f.editor()->WordWrap());
        QCOMPARE(f.setting("WordWrap"), QStringLiteral("FALSE"));
    }
    MainFixture again({{QStringLiteral("WordWrap"), QStringLiteral("FALSE")}});
    QVERIFY(!again.main->action("mnuViewWordWrap")->isChecked() && !again.editor()->WordWrap());
}

void tst_commands::viewTogglesShowAndHideBars()
{
    MainFixture f;
    f.trigger("mnuViewHTMLToolbar");
    QVERIFY(!f.main->tbHTMLToolBar->isVisible() && !f.main->action("mnuViewHTMLToolbar")->isChecked());
    f.trigger("mnuViewStatusBar");
    f.trigger("mnuViewHTMLToolbar");
    QVERIFY(f.main->tbHTMLToolBar->isVisible() && !f.main->sbStatusBar->isVisible());
    // The toolbar area's own pop-up menu hides a bar as the View menu does, tick and all.
    std::unique_ptr<QMenu> popup(f.main->createPopupMenu());
    popup->actions().value(0)->trigger();
    QVERIFY(!f.main->tbToolBar->isVisible() && !f.main->action("mnuViewToolbar")->isChecked());
    QVERIFY(f.setting("HTMLToolbar").isEmpty()); // saved only when the program ends
    // Line numbers go from every document, the open ones and the next, and the choice is kept at once.
    f.trigger("mnuViewLineNumbers");
    f.trigger("mnuFileNew");
    QVERIFY(!f.main->documents().first()->rtfText->LineNumbersVisible() && !f.editor()->LineNumbersVisible());
    QCOMPARE(f.setting("LineNumbers") + ' ' + f.setting("SyntaxColors"), "FALSE ");
    f.trigger("mnuFileExit");
    QCOMPARE(f.setting("MainToolbar") + ' ' + f.setting("HTMLToolbar") + ' ' + f.setting("MainStatusBar"),
             QStringLiteral("FALSE TRUE FALSE"));
}

void tst_commands::windowMenuListsArrangesAndActivatesDocuments()
{
    MainFixture f({{QStringLiteral("MaximizeAsDefault"), "NO"}});
    f.trigger("mnuWindowNewWindow");
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 2"));
    QMenu* windows = f.main->menu("mnuWindow");
    QMetaObject::invokeMethod(windows, "aboutToShow");
    windows->actions().at(7)->trigger();
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 1"));
    QMetaObject::invokeMethod(windows, "aboutToShow"); // rebuilt, not appended
    QCOMPARE(outline(windows).section("|-|", 2), QStringLiteral("*&1 Untitled 1|&2 Untitled 2"));
    // Unsaved changes are marked in the list and the title, never in the caption; the status bar
    // tells where the caret is.
    f.editor()->setSelText("ab\ncd");
    QMetaObject::invokeMethod(windows, "aboutToShow");
    QCOMPARE(outline(windows).section("|-|", 2), QStringLiteral("*&1 Untitled 1 *|&2 Untitled 2"));
    QCOMPARE(f.active()->subWindow()->windowTitle() + '|' + f.active()->Caption(), "Untitled 1 *|Untitled 1");
    const QLabel* caret = f.main->findChild<QLabel*>("sbStatusBarCaret");
    QCOMPARE(caret->text(), "Ln 2, Col 3");
    f.editor()->setSelStart(1);
    f.editor()->setSelLength(3);
    QCOMPARE(caret->text(), "Ln 2, Col 2 (3 selected)");
    f.dialogs->fileAnswers << f.path("w.txt");
    f.trigger("mnuFileSave"); // saved under a name: the mark goes
    QCOMPARE(f.active()->subWindow()->windowTitle(), f.path("w.txt"));
    const QList<QMdiSubWindow*> subs = f.main->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    const QRect area = f.main->mdiArea()->viewport()->rect();
    auto placed = [&](const char* command) {
        f.trigger(command);
        return QList<int>{subs[1]->x() - subs[0]->x(), subs[1]->y() - subs[0]->y(), subs[0]->width(), subs[0]->height()};
    };
    QCOMPARE(placed("mnuWindowTileVertical"), (QList<int>{area.width() / 2, 0, area.width() / 2, area.height()}));
    QCOMPARE(placed("mnuWindowTileHorizontal"), (QList<int>{0, area.height() / 2, area.width(), area.height() / 2}));
    const QList<int> cascade = placed("mnuWindowCascade");
    QVERIFY(cascade[0] * cascade[1] > 0); // one step down and across
    subs[0]->showMinimized();
    subs[1]->showMinimized();
    QCOMPARE(placed("mnuWindowArrangeIcons")[0], subs[0]->width());
    QCOMPARE(subs[0]->geometry().bottom(), area.bottom());
}

void tst_commands::commandsWithoutADocumentReportAnError()
{
    // Menu items, and general toolbar buttons (which are never greyed), after the last document closed.
    for (const QString command : {"mnuFileClose", "mnuEditPaste", "Bold", "AlignCenter"}) {
        MainFixture f;
        f.active()->subWindow()->close();
        QTRY_VERIFY(f.main->documents().isEmpty());
        QAction* button = f.main->toolButton(f.main->tbToolBar, command);
        command.startsWith("mnu") ? f.trigger(command) : button->trigger();
        QVERIFY(!button || !button->isChecked()); // refused: the button stays up
        QCOMPARE(f.messages->shown.size(), 1);
        QCOMPARE(f.messages->shown[0].title, button ? QStringLiteral("tbToolBar_ButtonClick") : command + "_Click");
        QVERIFY(f.messages->shown[0].prompt.startsWith("Error: 91. ") && f.main->documents().isEmpty());
    }
}

void tst_commands::undoRedoAndGoToLine()
{
    MainFixture f;
    QAction* undo = f.main->action("mnuEditUndo");
    QAction* redo = f.main->action("mnuContextRedo");
    f.editor()->setSelText("one\ntwo\nthree");
    QVERIFY(undo->isEnabled() && !redo->isEnabled());
    f.trigger("mnuEditUndo");
    QCOMPARE(f.editor()->Text(), QString());
    QVERIFY(!undo->isEnabled() && redo->isEnabled());
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.editor()->Text(), "one\ntwo\nthree");
    QVERIFY(undo->isEnabled() && !redo->isEnabled());
    // Go to Line offers only the lines there are, starting from the caret's.
    f.modal->scripts << [](QDialog& d) {
        auto* box = d.findChild<QSpinBox*>("txtLineNumber");
        QCOMPARE(QString("%1-%2 at %3").arg(box->minimum()).arg(box->maximum()).arg(box->value()), "1-3 at 3");
        box->setValue(2);
        d.accept();
    };
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(f.modal->shown, QStringList{"frmGoToLine"});
    QCOMPARE(f.editor()->SelStart(), 4);
    QCOMPARE(f.main->findChild<QLabel*>("sbStatusBarCaret")->text(), "Ln 2, Col 1");
}

void tst_commands::eachCommandIsOneUndoStep()
{
    // Typed text, then a command over "say [hello]": one Ctrl+Z takes back the command alone and
    // one Ctrl+Y brings it back whole, in plain and in rich documents.
    const QList<std::pair<QString, QString>> commands = {
        {"mnuHTMLH1", "say <H1>hello</H1>|"},
        {"mnuHTMLCenter", "say <P ALIGN=\"CENTER\">hello|</P>"},
        {"mnuHTMLComment", "say <!-- hello -->|"},
        {"mnuInsertDate", "say hello19/06/2003|"},
        {"mnuHTMLTemplate", "|say hello<HTML>\n<HEAD>\n<TITLE>TITLE GOES HERE</TITLE>\n</HEAD>\n<BODY>\n\n"
                            "BODY TEXT GOES HERE\n\n</BODY>\n</HTML>"},
    };
    for (const bool rich : {false, true}) {
        for (const auto& [command, after] : commands) {
            MainFixture f({{QStringLiteral("HTMLTagCase"), "UPPERCASE"}, {"UseSmartTabs", "NO"}});
            platform::RichTextBox& box = *f.editor();
            if (rich) {
                box.setSelText("x");
                box.setSelStart(0), box.setSelLength(1);
                box.setSelBold(true);
                box.setSelText(QString());
                QVERIFY(box.isRichView());
            }
            f.type("say hello");
            const bool wraps = command != "mnuHTMLTemplate" && command != "mnuInsertDate";
            box.setSelStart(wraps ? 4 : 9), box.setSelLength(wraps ? 5 : 0);
            f.trigger(command);
            const auto shown = [&] { return QString(box.Text()).insert(box.SelStart(), u'|'); };
            const QString tag = command + (rich ? " rich" : " plain");
            QCOMPARE(tag + ": " + shown(), tag + ": " + after);
            QTest::keyClick(box.hwnd(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(tag + ": " + box.Text(), tag + ": say hello");
            QTest::keyClick(box.hwnd(), Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(tag + ": " + box.Text(), tag + ": " + QString(after).remove(u'|'));
        }
    }
}

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
