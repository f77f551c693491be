// Tag generation, the HTML commands and the date and time commands, run on a small host.

#include "HostFixture.h"
#include "app/SettingsKeys.h"
#include "document/frmDocument.h"
#include "html/HTMLCommands.h"
#include "html/modHTML.h"
#include "mainwindow/frmMain.h"
#include "platform/RedrawFreeze.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"

#include <QMdiArea>
#include <QRegularExpression>
#include <QMdiSubWindow>
#include <QTest>

using platform::RichTextBox;
using Handler = void (*)(Host&);

namespace {

const std::map<QString, Handler>& handlers()
{
#define HANDLER(name) {QStringLiteral(#name), &HTMLCommands::name}
    static const std::map<QString, Handler> map = {
        HANDLER(mnuHTMLTemplate_Click), HANDLER(mnuHTMLComment_Click), HANDLER(mnuHTMLH1_Click),
        HANDLER(mnuHTMLH2_Click), HANDLER(mnuHTMLH3_Click), HANDLER(mnuHTMLH4_Click),
        HANDLER(mnuHTMLH5_Click), HANDLER(mnuHTMLH6_Click), HANDLER(mnuHTMLBold_Click),
        HANDLER(mnuHTMLItalic_Click), HANDLER(mnuHTMLUnderline_Click), HANDLER(mnuHTMLLeft_Click),
        HANDLER(mnuHTMLCenter_Click), HANDLER(mnuHTMLRight_Click), HANDLER(mnuInsertDate_Click),
        HANDLER(mnuInsertTime_Click), HANDLER(mnuInsertTimeAndDate_Click)};
#undef HANDLER
    return map;
}

// "ab|c" and "a[bc]": the text with the caret, or a selection from left to right, marked; "a]bc["
// marks a selection made from right to left (the caret at "]").
struct Marked {
    QString text;
    qsizetype start = 0, length = 0;
    bool backwards = false;
};

Marked unmark(const QString& s)
{
    static const QRegularExpression mark(QStringLiteral("[|\\[\\]]"));
    const qsizetype first = s.indexOf(mark), second = s.indexOf(mark, first + 1);
    Marked m{QString(s).remove(mark), first < 0 ? s.size() : first, 0, first >= 0 && s.at(first) == u']'};
    if (second >= 0)
        m.length = second - first - 1;
    return m;
}

QString marked(const RichTextBox& rtf)
{
    QString s = rtf.Text();
    if (rtf.SelLength() == 0)
        return s.insert(rtf.SelStart(), u'|');
    return s.insert(rtf.SelStart() + rtf.SelLength(), u']').insert(rtf.SelStart(), u'[');
}

// Puts the text into the active document, then places caret and selection as marked; a
// backwards selection is made with Shift+Left, as a user makes one.
void prepare(HostFixture& f, const QString& markedText)
{
    const Marked m = unmark(markedText);
    RichTextBox& rtf = *f.editor();
    rtf.SetFocus();
    QTRY_VERIFY(platform::keyReceiver() == rtf.hwnd());
    rtf.setSelText(m.text);
    rtf.setSelStart(m.backwards ? m.start + m.length : m.start);
    rtf.setSelLength(m.backwards ? 0 : m.length);
    for (qsizetype i = 0; m.backwards && i < m.length; ++i)
        QTest::keyClick(rtf.hwnd(), Qt::Key_Left, Qt::ShiftModifier);
    f.active()->bIsDirty = false;
}

} // namespace

class tst_html : public QObject {
    Q_OBJECT
private slots:
    void commands_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QString>("option"); // the tag case setting (null: absent), or the date format
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        const QString absent;
        QTest::newRow("bold, setting absent") << "mnuHTMLBold_Click" << absent << "a|b" << "a<B>|</B>b";
        QTest::newRow("bold, lowercase") << "mnuHTMLBold_Click" << "lowercase" << "|" << "<b>|</b>";
        QTest::newRow("case must match exactly") << "mnuHTMLItalic_Click" << "Uppercase" << "|" << "<i>|</i>";
        QTest::newRow("comment has no case") << "mnuHTMLComment_Click" << "lowercase" << "|" << "<!-- | -->";
        QTest::newRow("selection over lines") << "mnuHTMLUnderline_Click" << absent << "x[ab\ncd]y"
                                              << "x<U>ab\ncd</U>|y";
        QTest::newRow("h6, lower") << "mnuHTMLH6_Click" << "lowercase" << "[x]" << "<h6>x</h6>|";
        QTest::newRow("selection right to left") << "mnuHTMLH3_Click" << absent << "one ]two[ three"
                                                 << "one <H3>two</H3>| three";
        QTest::newRow("right, lower, no selection") << "mnuHTMLRight_Click" << "lowercase" << "|"
                                                    << "<p align=\"right\">|</p>";
        QTest::newRow("center, right to left") << "mnuHTMLCenter_Click" << "x" << "]ab["
                                               << "<p align=\"center\">ab|</p>";
        // The template: ten lines, the caret where it was typed from.
        const QString upper = QStringLiteral(
            "<HTML>\n<HEAD>\n<TITLE>TITLE GOES HERE</TITLE>\n</HEAD>\n<BODY>\n\nBODY TEXT GOES HERE\n\n</BODY>\n</HTML>");
        const QString lower = QStringLiteral(
            "<html>\n<head>\n<title>TITLE GOES HERE</title>\n</head>\n<body>\n\nBODY TEXT GOES HERE\n\n</body>\n</html>");
        QTest::newRow("template, lower") << "mnuHTMLTemplate_Click" << "lowercase" << "|" << "|" + lower;
        QTest::newRow("template in a line") << "mnuHTMLTemplate_Click" << absent << "first\nab|cd"
                                            << "|first\nab" + upper + "cd";
        // Each Enter of the template indents its new line like the line before, as a typed one does.
        QTest::newRow("template after an indented line") << "mnuHTMLTemplate_Click" << absent << "\tx|"
                                                         << "|\tx" + QString(upper).replace("\n", "\n\t");
        QTest::newRow("date inside a word") << "mnuInsertDate_Click" << "M/d/yyyy" << "ab|cd" << "ab6/19/2003|cd";
        QTest::newRow("time") << "mnuInsertTime_Click" << absent << "x|" << "x15:04:05|";
        QTest::newRow("date and time, one blank") << "mnuInsertTimeAndDate_Click" << absent << "|"
                                                  << "19/06/2003 15:04:05|";
        QTest::newRow("date format with notation characters")
            << "mnuInsertDate_Click" << "yyyy+MM^dd%'~(){}[]'" << "|" << "2003+06^19%~(){}[]|";
        // Insertions are refused over a selection.
        for (const char* h : {"mnuHTMLTemplate_Click", "mnuInsertDate_Click", "mnuInsertTime_Click",
                              "mnuInsertTimeAndDate_Click"})
            QTest::addRow("%s over a selection", h) << h << absent << "one ]two[ three" << "one [two] three";
    }

    void commands()
    {
        QFETCH(QString, handler);
        QFETCH(QString, option);
        QFETCH(QString, before);
        QFETCH(QString, after);
        HostFixture f;
        if (handler.startsWith("mnuInsert") && !option.isNull())
            f.clock->dateFormat = option;
        else if (!option.isNull())
            f.seed(keys::HTMLTagCase, option);
        prepare(f, before);
        handlers().at(handler)(f);
        QCOMPARE(marked(*f.editor()), after);
        const bool refused = unmark(before).text == unmark(after).text;
        QCOMPARE(f.active()->bIsDirty, !refused); // the typed keys change the document like typing does
        QCOMPARE(f.messages->shown.size(), refused ? 1 : 0);
        if (refused) {
            const FakeMessageBox::Shown& box = f.messages->shown[0];
            QCOMPARE(box.prompt, QStringLiteral("This feature requires that no text is currently highlighted."));
            QVERIFY(box.title == "Quiple" && box.icon == platform::Icon::Information && box.buttons == platform::Buttons::Ok);
        }
        QVERIFY(platform::lockedWindow() == nullptr && f.editor()->hwnd()->updatesEnabled());
        QCOMPARE(platform::pendingKeys(), 0);
    }

    void generatorBlockAndInlineForms_data()
    {
        QTest::addColumn<QString>("openTag");
        QTest::addColumn<QString>("closeTag");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("html") << "<HTML>" << "</HTML>" << "|" << "<HTML>\n|\n</HTML>";
        QTest::newRow("body lower") << "<body>" << "</body>" << "a|b" << "a<body>\n|\n</body>b";
        QTest::newRow("head mixed case") << "<Head>" << "</Head>" << "|" << "<Head>\n|\n</Head>";
        QTest::newRow("attribute makes it inline") << "<BODY BGCOLOR=white>" << "</BODY>" << "|"
                                                   << "<BODY BGCOLOR=white>|</BODY>";
        QTest::newRow("block tags around a selection") << "<BODY>" << "</BODY>" << "[x]" << "<BODY>x</BODY>|";
        QTest::newRow("notation characters typed as they are")
            << "<A HREF=\"a+b(1)~{x}^%[2]\">" << "</A>" << "[link]" << "<A HREF=\"a+b(1)~{x}^%[2]\">link</A>|";
        QTest::newRow("caret steps over a wide character") << "<Q>" << "\U0001F600</Q>" << "|"
                                                           << "<Q>|\U0001F600</Q>";
        QTest::newRow("255 characters") << QString(255, u'x') << "" << "|" << QString(255, u'x') + "|";
        // Longer tags change nothing: the overflow is reported.
        QTest::newRow("opening tag of 256, no selection") << QString(256, u'x') << "</B>" << "ab|c" << "ab|c";
        QTest::newRow("closing tag of 256, selection") << "<B>" << QString(256, u'x') << "a[bc]" << "a[bc]";
    }

    void generatorBlockAndInlineForms()
    {
        QFETCH(QString, openTag);
        QFETCH(QString, closeTag);
        QFETCH(QString, before);
        QFETCH(QString, after);
        HostFixture f;
        prepare(f, before);
        modHTML::GenerateHTMLTags(*f.messages, *f.editor(), openTag, closeTag);
        QCOMPARE(marked(*f.editor()), after);
        QCOMPARE(f.active()->bIsDirty, after != before);
        QCOMPARE(platform::lockedWindow(), nullptr);
        QCOMPARE(f.messages->shown.size(), after == before ? 1 : 0);
        if (after == before) {
            const FakeMessageBox::Shown& box = f.messages->shown[0];
            QVERIFY(box.title == "GenerateHTMLTags" && box.icon == platform::Icon::None);
            QVERIFY2(box.prompt.startsWith("Error: 6. Overflow"), qPrintable(box.prompt));
        }
    }

    void clockIsReadOncePerInsertion()
    {
        // A millisecond before midnight: two readings would give this date with the next day's time.
        HostFixture f;
        f.clock->current = QDateTime(QDate(2003, 6, 19), QTime(23, 59, 59, 999));
        f.clock->stepMilliseconds = 1000;
        HTMLCommands::mnuInsertTimeAndDate_Click(f);
        QCOMPARE(f.clock->readings, 1);
        HTMLCommands::mnuInsertTime_Click(f); // a second later
        QCOMPARE(f.editor()->Text(), QStringLiteral("19/06/2003 23:59:5900:00:00"));
    }

    void everyCommandWithoutADocumentReportsItsName()
    {
        HostFixture f;
        f.active()->close();
        QTRY_COMPARE(f.documents().size(), 0);
        for (const auto& [name, handler] : handlers()) {
            f.messages->shown.clear();
            handler(f);
            QCOMPARE(f.messages->shown.size(), 1);
            QCOMPARE(f.messages->shown[0].title, name);
            QVERIFY2(f.messages->shown[0].prompt.startsWith(QStringLiteral("Error: 91. ")),
                     qPrintable(f.messages->shown[0].prompt));
        }
        QCOMPARE(platform::lockedWindow(), nullptr);
    }

    void minimizedDocumentIsNeverTypedIntoAnotherControl()
    {
        MainFixture f;
        f.seed(keys::MaximizeAsDefault, keys::No);
        f.main->LoadNewDoc();
        frmDocument* second = f.active();
        QCOMPARE(f.main->documents().size(), 2);
        second->subWindow()->showMinimized();
        QTRY_VERIFY(!second->rtfText->Visible());
        f.main->mdiArea()->setActiveSubWindow(second->subWindow());
        QCOMPARE(f.active(), second);
        for (auto h : {&frmMain::mnuHTMLBold_Click, &frmMain::mnuHTMLRight_Click, &frmMain::mnuInsertDate_Click}) {
            f.messages->shown.clear();
            (f.main.get()->*h)();
            // Either the keys reached the minimized document, or nothing was typed anywhere and the
            // user was told.
            if (!second->rtfText->Text().isEmpty())
                continue;
            QCOMPARE(f.messages->shown.size(), 1);
            QVERIFY(f.messages->shown[0].prompt.startsWith(QStringLiteral("Error: 5. ")));
        }
        for (frmDocument* doc : f.main->documents())
            if (doc != second)
                QCOMPARE(doc->rtfText->Text(), QString());
    }
};

QTEST_MAIN(tst_html)
#include "tst_html.moc"
