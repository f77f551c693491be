// Tag generation, the HTML commands and the date and time commands, run on a small host.

#include "HostFixture.h"
#include "app/SettingsKeys.h"
#include "document/frmDocument.h"
#include "html/HTMLCommands.h"
#include "html/modHTML.h"
#include "mainwindow/frmMain.h"
#include "platform/AppError.h"
#include "platform/RedrawFreeze.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"

#include <QMdiArea>
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

const QString kNoSelection = QStringLiteral("This feature requires that no text is currently highlighted.");

// "ab|c" and "a[bc]": the text with the caret, or a selection from left to right, marked; "a]bc["
// marks a selection made from right to left (the caret at "]").
struct Marked {
    QString text;
    qsizetype start = 0, length = 0;
    bool backwards = false;
};

Marked unmark(QString s)
{
    Marked m;
    if (const qsizetype caret = s.indexOf(u'|'); caret >= 0) {
        m.start = caret;
        s.remove(caret, 1);
    } else if (const qsizetype open = s.indexOf(u'['); open >= 0 && open < s.indexOf(u']')) {
        const qsizetype close = s.indexOf(u']');
        m.start = open;
        m.length = close - open - 1;
        s.remove(close, 1).remove(open, 1);
    } else if (const qsizetype caret = s.indexOf(u']'); caret >= 0) {
        const qsizetype anchor = s.indexOf(u'[');
        m.start = caret;
        m.length = anchor - caret - 1;
        m.backwards = true;
        s.remove(anchor, 1).remove(caret, 1);
    } else {
        m.start = s.size();
    }
    m.text = s;
    return m;
}

QString marked(const RichTextBox& rtf)
{
    QString s = rtf.Text();
    if (rtf.SelLength() == 0)
        return s.insert(rtf.SelStart(), u'|');
    return s.insert(rtf.SelStart() + rtf.SelLength(), u']').insert(rtf.SelStart(), u'[');
}

// Puts the text into the active document by typing it, then places caret and selection as
// marked; a backwards selection is made with Shift+Left, as a user makes one.
void prepare(HostFixture& f, const QString& markedText)
{
    const Marked m = unmark(markedText);
    RichTextBox& rtf = *f.editor();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    rtf.SetFocus();
    QTRY_VERIFY(platform::keyReceiver() == rtf.hwnd());
    try {
        platform::SendKeys(platform::escapeKeys(m.text), true);
        if (m.backwards) {
            rtf.setSelStart(m.start + m.length);
            platform::SendKeys(QStringLiteral("+{LEFT %1}").arg(m.length), true);
        }
    } catch (const platform::AppError& e) {
        QFAIL(qPrintable(e.description));
    }
    if (!m.backwards) {
        rtf.setSelStart(m.start);
        rtf.setSelLength(m.length);
    }
    f.active()->bIsDirty = false;
}

} // namespace

class tst_html : public QObject {
    Q_OBJECT
private slots:
    void tagCommands_data();
    void tagCommands();
    void generatorBlockAndInlineForms_data();
    void generatorBlockAndInlineForms();
    void tagsOfMoreThan255CharactersChangeNothing_data();
    void tagsOfMoreThan255CharactersChangeNothing();
    void templateIsTenLinesWithTheCaretAtTheStart_data();
    void templateIsTenLinesWithTheCaretAtTheStart();
    void dateAndTimeAtTheCaret_data();
    void dateAndTimeAtTheCaret();
    void clockIsReadOncePerInsertion();
    void insertionsRefusedOverASelection_data();
    void insertionsRefusedOverASelection();
    void everyCommandWithoutADocumentReportsItsName();
    void typingIsFrozenAndReleased();
    void minimizedDocumentIsNeverTypedIntoAnotherControl();
};

void tst_html::tagCommands_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("tagCase"); // a null string: the setting is absent
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString absent;
    QTest::newRow("bold, setting absent") << "mnuHTMLBold_Click" << absent << "a|b" << "a<B>|</B>b";
    QTest::newRow("bold, lowercase") << "mnuHTMLBold_Click" << "lowercase" << "|" << "<b>|</b>";
    QTest::newRow("case must match exactly") << "mnuHTMLItalic_Click" << "Uppercase" << "|" << "<i>|</i>";
    QTest::newRow("comment has no case") << "mnuHTMLComment_Click" << "lowercase" << "|" << "<!-- | -->";
    QTest::newRow("h1 around a word") << "mnuHTMLH1_Click" << "UPPERCASE" << "say [hello] now"
                                      << "say <H1>hello</H1>| now";
    QTest::newRow("h6 lower") << "mnuHTMLH6_Click" << "lowercase" << "[x]" << "<h6>x</h6>|";
    QTest::newRow("selection over lines") << "mnuHTMLUnderline_Click" << absent << "x[ab\ncd]y"
                                          << "x<U>ab\ncd</U>|y";
    QTest::newRow("selection right to left") << "mnuHTMLH3_Click" << absent << "one ]two[ three"
                                             << "one <H3>two</H3>| three";
    QTest::newRow("center around a word") << "mnuHTMLCenter_Click" << absent << "[text]"
                                          << "<P ALIGN=\"CENTER\">text|</P>";
    QTest::newRow("right, lower, no selection") << "mnuHTMLRight_Click" << "lowercase" << "|"
                                                << "<p align=\"right\">|</p>";
    QTest::newRow("left around lines") << "mnuHTMLLeft_Click" << absent << "a[b\nc]d"
                                       << "a<P ALIGN=\"LEFT\">b\nc|</P>d";
    QTest::newRow("center, right to left") << "mnuHTMLCenter_Click" << "x" << "]ab["
                                           << "<p align=\"center\">ab|</p>";
}

void tst_html::tagCommands()
{
    QFETCH(QString, handler);
    QFETCH(QString, tagCase);
    QFETCH(QString, before);
    QFETCH(QString, after);
    HostFixture f;
    if (!tagCase.isNull())
        f.seed(keys::HTMLTagCase, tagCase);
    prepare(f, before);
    handlers().at(handler)(f);
    QCOMPARE(marked(*f.editor()), after);
    QVERIFY(f.messages->shown.isEmpty());
    QVERIFY(f.active()->bIsDirty); // the typed keys change the document like typing does
}

void tst_html::generatorBlockAndInlineForms_data()
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
}

void tst_html::generatorBlockAndInlineForms()
{
    QFETCH(QString, openTag);
    QFETCH(QString, closeTag);
    QFETCH(QString, before);
    QFETCH(QString, after);
    HostFixture f;
    prepare(f, before);
    modHTML::GenerateHTMLTags(*f.messages, *f.editor(), openTag, closeTag);
    QCOMPARE(marked(*f.editor()), after);
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_html::tagsOfMoreThan255CharactersChangeNothing_data()
{
    QTest::addColumn<QString>("openTag");
    QTest::addColumn<QString>("closeTag");
    QTest::addColumn<QString>("before");
    QTest::newRow("opening tag, no selection") << QString(256, u'x') << "</B>" << "ab|c";
    QTest::newRow("closing tag, selection") << "<B>" << QString(256, u'x') << "a[bc]";
}

void tst_html::tagsOfMoreThan255CharactersChangeNothing()
{
    QFETCH(QString, openTag);
    QFETCH(QString, closeTag);
    QFETCH(QString, before);
    HostFixture f;
    prepare(f, before);
    modHTML::GenerateHTMLTags(*f.messages, *f.editor(), openTag, closeTag);
    QCOMPARE(marked(*f.editor()), before);
    QVERIFY(!f.active()->bIsDirty);
    QCOMPARE(f.messages->shown.size(), 1);
    QCOMPARE(f.messages->shown[0].title, QStringLiteral("GenerateHTMLTags"));
    QVERIFY(f.messages->shown[0].prompt.startsWith(QStringLiteral("Error: 6. Overflow")));
    QCOMPARE(f.messages->shown[0].icon, platform::Icon::None);
    QCOMPARE(platform::lockedWindow(), nullptr);
}

void tst_html::templateIsTenLinesWithTheCaretAtTheStart_data()
{
    QTest::addColumn<QString>("caseValue");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString upper = QStringLiteral(
        "<HTML>\n<HEAD>\n<TITLE>TITLE GOES HERE</TITLE>\n</HEAD>\n<BODY>\n\nBODY TEXT GOES HERE\n\n</BODY>\n</HTML>");
    QString lower = upper.toLower();
    lower.replace(QStringLiteral("title goes here"), QStringLiteral("TITLE GOES HERE"))
        .replace(QStringLiteral("body text goes here"), QStringLiteral("BODY TEXT GOES HERE"));
    QTest::newRow("upper, empty document") << "UPPERCASE" << "|" << "|" + upper;
    QTest::newRow("lower, empty document") << "lowercase" << "|" << "|" + lower;
    QTest::newRow("in the middle of a line") << "UPPERCASE" << "first\nab|cd" << "|first\nab" + upper + "cd";
    // Each Enter of the template indents its new line like the line before, as a typed one does.
    QTest::newRow("after an indented line") << "UPPERCASE" << "\tx|"
                                            << "|\tx" + QString(upper).replace("\n", "\n\t");
}

void tst_html::templateIsTenLinesWithTheCaretAtTheStart()
{
    QFETCH(QString, caseValue);
    QFETCH(QString, before);
    QFETCH(QString, after);
    HostFixture f;
    f.seed(keys::HTMLTagCase, caseValue);
    prepare(f, before);
    HTMLCommands::mnuHTMLTemplate_Click(f);
    QCOMPARE(marked(*f.editor()), after);
    QVERIFY(f.messages->shown.isEmpty());
    QCOMPARE(platform::pendingKeys(), 0);
}

void tst_html::dateAndTimeAtTheCaret_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("dateFormat");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("date inside a word") << "mnuInsertDate_Click" << "M/d/yyyy" << "ab|cd" << "ab6/19/2003|cd";
    QTest::newRow("time") << "mnuInsertTime_Click" << "dd/MM/yyyy" << "x|" << "x15:04:05|";
    QTest::newRow("date and time, one blank") << "mnuInsertTimeAndDate_Click" << "dd/MM/yyyy"
                                              << "|" << "19/06/2003 15:04:05|";
    QTest::newRow("format with notation characters")
        << "mnuInsertDate_Click" << "yyyy+MM^dd%'~(){}[]'" << "|" << "2003+06^19%~(){}[]|";
}

void tst_html::dateAndTimeAtTheCaret()
{
    QFETCH(QString, handler);
    QFETCH(QString, dateFormat);
    QFETCH(QString, before);
    QFETCH(QString, after);
    HostFixture f;
    f.clock->dateFormat = dateFormat;
    f.seed(keys::HTMLTagCase, QStringLiteral("lowercase")); // no influence
    prepare(f, before);
    handlers().at(handler)(f);
    QCOMPARE(marked(*f.editor()), after);
    QVERIFY(f.messages->shown.isEmpty());
    QVERIFY(f.active()->bIsDirty);
}

void tst_html::clockIsReadOncePerInsertion()
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

void tst_html::insertionsRefusedOverASelection_data()
{
    QTest::addColumn<QString>("handler");
    for (const char* h : {"mnuHTMLTemplate_Click", "mnuInsertDate_Click", "mnuInsertTime_Click",
                          "mnuInsertTimeAndDate_Click"})
        QTest::newRow(h) << h;
}

void tst_html::insertionsRefusedOverASelection()
{
    QFETCH(QString, handler);
    HostFixture f;
    prepare(f, QStringLiteral("one ]two[ three"));
    handlers().at(handler)(f);
    QCOMPARE(marked(*f.editor()), QStringLiteral("one [two] three"));
    QCOMPARE(f.messages->shown.size(), 1);
    QCOMPARE(f.messages->shown[0].prompt, kNoSelection);
    QCOMPARE(f.messages->shown[0].title, QStringLiteral("Quiple"));
    QCOMPARE(f.messages->shown[0].icon, platform::Icon::Information);
    QCOMPARE(f.messages->shown[0].buttons, platform::Buttons::Ok);
    QVERIFY(!f.active()->bIsDirty);
}

void tst_html::everyCommandWithoutADocumentReportsItsName()
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

void tst_html::typingIsFrozenAndReleased()
{
    // Without automatic indentation: its Enter handling ends any freeze early, as a release does.
    HostFixture f({{keys::UseSmartTabs, keys::No}});
    RichTextBox& rtf = *f.editor();
    int keys = 0, frozen = 0;
    QObject::connect(&rtf, &RichTextBox::KeyPress, &rtf, [&](int&) {
        ++keys;
        frozen += platform::lockedWindow() == rtf.hwnd() && !rtf.hwnd()->updatesEnabled();
    });
    HTMLCommands::mnuHTMLTemplate_Click(f);
    HTMLCommands::mnuHTMLBold_Click(f);
    HTMLCommands::mnuHTMLCenter_Click(f);
    HTMLCommands::mnuInsertDate_Click(f);
    QVERIFY(keys > 100);
    QCOMPARE(frozen, keys);
    QCOMPARE(platform::lockedWindow(), nullptr);
    QVERIFY(rtf.hwnd()->updatesEnabled());
}

void tst_html::minimizedDocumentIsNeverTypedIntoAnotherControl()
{
    MainFixture f;
    f.seed(keys::MaximizeAsDefault, keys::No);
    f.main->LoadNewDoc();
    frmDocument* second = f.active();
    QCOMPARE(f.main->documents().size(), 2);
    second->subWindow()->showMinimized();
    QTRY_VERIFY(!second->rtfText->Visible());
    f.main->mdiArea()->setActiveSubWindow(second->subWindow());
    if (f.active() != second)
        QSKIP("the frame gives a minimized window no activation here");
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

QTEST_MAIN(tst_html)
#include "tst_html.moc"
