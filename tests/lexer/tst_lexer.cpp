// The syntax colouring engine without a view: what each kind of source looks like, line by
// line, and the start-of-line states kept across edits of a long file.
#include "platform/text/LineStates.h"
#include "platform/text/SyntaxHighlighter.h"
#include "platform/text/SyntaxPalette.h"
#include "platform/text/TextStore.h"
#include "platform/text/languages/LanguageChoice.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

using namespace platform::syntax;
using Lang = LanguageId;

Q_DECLARE_METATYPE(platform::syntax::LanguageId)

class tst_lexer : public QObject {
    Q_OBJECT
private slots:
    void coloursLineByLine_data();
    void coloursLineByLine();
    void operatorsAreMarked();
    void anyTextStaysInsideItsLineAndColouringNeverChangesTheState();
    void aTenMegabyteLineIsLexedInOneCall();
    void languageFollowsTheFileName_data();
    void languageFollowsTheFileName();
    void everyKindOfTheOpenDialogIsColoured();
    void languageFollowsTheFirstLine_data();
    void languageFollowsTheFirstLine();
    void paletteIsReadableOnLightAndDark_data();
    void paletteIsReadableOnLightAndDark();
    void anOpenedCommentColoursTheRestAndClosingItRestores();
    void anEditThatChangesNoStateStopsAtTheNextCheckpoint();
    void randomEditsAgreeWithLexingFromTheTop();
    void theEndOfALargeFileIsPlainUntilItsStateIsKnown();
    void highlighterReadsTheStore();
    void plainDocumentsAreNeverReadAndSaveAsRecolours();
    void onlyTheLinesAnEditReachesAreReportedChanged();
};

namespace {

const char* kindName(TokenKind kind)
{
    static const char* const names[] = {"kw", "ty", "str", "num", "com", "pre", "tag", "att", "ent", "op"};
    return names[int(kind)];
}

// What a reader sees: "text:kind" for every coloured stretch but operators, lines joined by " / ".
QString describe(Lang lang, const QString& source, bool withOperators = false)
{
    QStringList lines;
    LexState state = initialState(lang);
    for (const QString& line : source.split(u'\n')) {
        std::vector<Token> tokens;
        state = lexLine(line, state, &tokens);
        QStringList parts;
        for (const Token& t : tokens) {
            if (t.kind != TokenKind::Operator || withOperators)
                parts << line.mid(t.start, t.length) + u':' + QLatin1String(kindName(t.kind));
        }
        lines << parts.join(u' ');
    }
    return lines.join(QStringLiteral(" / "));
}

// A document of lines read through the callback the view will pass.
struct Document {
    QStringList lines;
    LineStates::LineReader reader()
    {
        return [this](qsizetype line, QString&) { return QStringView(lines.at(line)); };
    }
};

QString kindsOf(SyntaxHighlighter& h, const Document& doc, qsizetype line)
{
    QStringList parts;
    for (const Token& t : h.tokens(line)) {
        if (t.kind != TokenKind::Operator)
            parts << doc.lines[line].mid(t.start, t.length) + u':' + QLatin1String(kindName(t.kind));
    }
    return parts.join(u' ');
}

void fillAll(LineStates& states)
{
    while (states.fillSome(4096)) {
    }
}

} // namespace

void tst_lexer::coloursLineByLine_data()
{
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    // C family
    QTest::newRow("c declaration") << Lang::Cpp << "int x = 0; // c" << "int:ty 0:num // c:com";
    QTest::newRow("c block comment over lines") << Lang::Cpp << "a /* one\ntwo\nthree */ b"
                                                << "/* one:com / two:com / three */:com";
    QTest::newRow("c markers in a string") << Lang::Cpp << "s = \"/* no */ // no\"; return 1;"
                                           << "\"/* no */ // no\":str return:kw 1:num";
    QTest::newRow("c directive with a string") << Lang::Cpp << "#define S \"/*\" // x\nint y;"
                                               << "#define S \"/*\" :pre // x:com / int:ty";
    QTest::newRow("c escaped quote and continued string")
        << Lang::Cpp << "p(\"a\\\"b\", 'c');\nchar* s = \"abc\\\ndef\"; int z;"
        << "\"a\\\"b\":str 'c':str / char:ty \"abc\\:str / def\":str int:ty";
    QTest::newRow("c directive continued") << Lang::Cpp << "#define A 1 \\\n  + 2\nint x;"
                                           << "#define A 1 \\:pre /   + 2:pre / int:ty";
    QTest::newRow("c++ raw string") << Lang::Cpp << "auto r = R\"x(a)\" /*\n)x\" + 1; s = u8R\"(\")\";"
                                    << "auto:kw R\"x(a)\" /*:str / )x\":str 1:num u8R\"(\")\":str";
    QTest::newRow("js template literal") << Lang::JavaScript << "let t = `a${x+1}b\nc` + 2; // `"
                                         << "let:kw `a:str 1:num b:str / c`:str 2:num // `:com";
    QTest::newRow("js regular expression") << Lang::JavaScript << "s = s.replace(/\"[/]*/g, '') / 2; // x"
                                           << "/\"[/]*/g:str '':str 2:num // x:com";
    QTest::newRow("c# verbatim string") << Lang::CSharp << "var p = @\"C:\\\"\"x\ny\"; // z"
                                        << "var:kw @\"C:\\\"\"x:str / y\":str // z:com";
    QTest::newRow("css") << Lang::Css << "p { color: #fff; margin: 10px } /* c */"
                         << "color:ty #fff:num margin:ty 10px:num /* c */:com";
    QTest::newRow("sql") << Lang::Sql << "SELECT a FROM t WHERE b = 'it''' -- note"
                         << "SELECT:kw FROM:kw WHERE:kw 'it''':str -- note:com";
    QTest::newRow("pascal") << Lang::Pascal << "begin { c } x := 'a'; (* d\ne *) end"
                            << "begin:kw { c }:com 'a':str (* d:com / e *):com end:kw";
    QTest::newRow("java annotation") << Lang::Java << "@Override public void run() {}"
                                     << "@Override:pre public:kw void:ty";
    QTest::newRow("c# string") << Lang::CSharp << "string s = \"a\\\\\"; // x" << "string:ty \"a\\\\\":str // x:com";
    // Hash-comment scripts
    QTest::newRow("python") << Lang::Python << "def f(x): # c" << "def:kw # c:com";
    QTest::newRow("python triple quotes") << Lang::Python << "s = \"\"\"a # no\nb ' c\nd\"\"\" + r'#x' # y"
                                          << "\"\"\"a # no:str / b ' c:str / d\"\"\":str r'#x':str # y:com";
    QTest::newRow("python string continued") << Lang::Python << "s = 'a\\\nb' # c" << "'a\\:str / b':str # c:com";
    QTest::newRow("perl array size") << Lang::Perl << "my $n = $#list; # c" << "my:kw # c:com";
    QTest::newRow("python decorator") << Lang::Python << "@app.route('/')" << "@app.route:pre '/':str";
    QTest::newRow("shell here-document")
        << Lang::Shell << "cat <<EOF\nif # x\n  EOF\nEOF\nif true; then echo 'a#b' # c"
        << "EOF:str / if # x:str /   EOF:str / EOF:str / if:kw then:kw echo:kw 'a#b':str # c:com";
    QTest::newRow("shell indented here-document") << Lang::Shell << "cat <<-'END'\n\tx\n\tEND\nfi"
                                                  << "'END':str / \tx:str / \tEND:str / fi:kw";
    QTest::newRow("shell hash inside words") << Lang::Shell << "echo $# a#b \"x\ny\"" << "echo:kw \"x:str / y\":str";
    QTest::newRow("perl here-document") << Lang::Perl << "print <<\"EOT\";\n$x # no\nEOT\nmy $y = 1; # c"
                                        << "print:kw \"EOT\":str / $x # no:str / EOT:str / my:kw 1:num # c:com";
    QTest::newRow("perl pod and match") << Lang::Perl << "=head1 Name\ntext\n=cut\nif ($a =~ /\"#/) {}"
                                        << "=head1 Name:com / text:com / =cut:com / if:kw /\"#/:str";
    QTest::newRow("makefile") << Lang::Makefile << "ifeq ($(CC),gcc) # c" << "ifeq:kw $(CC):pre # c:com";
    QTest::newRow("makefile recipe") << Lang::Makefile << "\t$(CC) -o $@ $^" << "$(CC):pre $@:pre $^:pre";
    QTest::newRow("ini") << Lang::Ini << "[main]\nkey = 42\n; note" << "[main]:kw / key:att 42:num / ; note:com";
    // Markup
    QTest::newRow("html") << Lang::Html << "<a href=\"x\">&amp; b</a>"
                          << "<a:tag href:att \"x\":str >:tag &amp;:ent </a>:tag";
    QTest::newRow("html comment over lines") << Lang::Html << "<!-- a <b>\nc -->d<i>"
                                             << "<!-- a <b>:com / c -->:com <i>:tag";
    QTest::newRow("html script") << Lang::Html << "<script>var s = \"</p>\"; // x\nif (a < b) {}</script><p>"
                                 << "<script>:tag var:kw \"</p>\":str // x:com / if:kw </script><p>:tag";
    QTest::newRow("html script ends inside a string") << Lang::Html << "<script>x = '</script><b>'"
                                                      << "<script>:tag ':str </script><b>:tag";
    QTest::newRow("html style") << Lang::Html << "<style>\np { color: red } /* c */</style>"
                                << "<style>:tag / color:ty /* c */:com </style>:tag";
    QTest::newRow("attribute value over lines") << Lang::Html << "<a title=\"one\ntwo\">x"
                                                << "<a:tag title:att \"one:str / two\":str >:tag";
    QTest::newRow("script comment cut by its end tag") << Lang::Html << "<script>/* a\n</script>b"
                                                       << "<script>:tag /* a:com / </script>:tag";
    QTest::newRow("xml doctype over lines") << Lang::Xml << "<!DOCTYPE a [\n]>" << "<!DOCTYPE a [:pre / ]>:pre";
    QTest::newRow("php hash comment") << Lang::Php << "<?php # note ?>x" << "<?php:pre # note :com ?>:pre";
    QTest::newRow("php in an attribute") << Lang::Php << "<p class=\"<?php echo $c; ?>\">x</p>"
                                         << "<p:tag class:att \":str <?php:pre echo:kw ?>:pre \":str >:tag </p>:tag";
    QTest::newRow("php block over lines") << Lang::Php << "<?php\n$s = \"?>\"; // end ?> <b>"
                                          << "<?php:pre / \"?>\":str // end :com ?>:pre <b>:tag";
    QTest::newRow("php here-document") << Lang::Php << "<?php $s = <<<\"EOT\"\nit's ?> /*\n  EOT;\necho 1; ?>"
                                       << "<?php:pre \"EOT\":str / it's ?> /*:str / EOT:str / echo:kw 1:num ?>:pre";
    QTest::newRow("php in a script") << Lang::Php << "<script>var a = <?= $n ?>;</script>"
                                     << "<script>:tag var:kw <?=:pre ?>:pre </script>:tag";
    QTest::newRow("asp") << Lang::Asp << "<% Dim x ' note %><b>\n<%\nIf x Then\n%>ok"
                         << "<%:pre Dim:kw ' note :com %>:pre <b>:tag / <%:pre / If:kw Then:kw / %>:pre";
    QTest::newRow("jsp") << Lang::Jsp << "<%= x + 1 %><%-- <%\nif --%>" << "<%:pre 1:num %>:pre <%-- <%:com / if --%>:com";
    QTest::newRow("xml") << Lang::Xml << "<?xml version=\"1.0\"?>\n<a b='1'><![CDATA[<x>]]></a>"
                         << "<?xml version=\"1.0\"?>:pre / <a:tag b:att '1':str >:tag <![CDATA[<x>]]>:str </a>:tag";
    QTest::newRow("xml has no scripts") << Lang::Xml << "<script>a // b</script>" << "<script>:tag </script>:tag";
    QTest::newRow("coldfusion") << Lang::ColdFusion << "<cfset a = 1><!--- c --->"
                                << "<cfset:tag a:att 1:str >:tag <!--- c --->:com";
    // Line-oriented
    QTest::newRow("batch") << Lang::Batch << "@echo off\nREM x\n:: y\n:loop\nset /a n=%n%+1"
                           << "echo:kw off:kw / REM x:com / :: y:com / :loop:tag / set:kw %n%:ty 1:num";
    QTest::newRow("batch loop variable") << Lang::Batch << "for %%i in (*) do echo %%i"
                                         << "for:kw %%i:ty in:kw do:kw echo:kw %%i:ty";
    QTest::newRow("assembly") << Lang::Assembly << ".text\nmov eax, 0FFh ; c\nmsg db 'hi', 0"
                              << ".text:pre / eax:ty 0FFh:num ; c:com / db:kw 'hi':str 0:num";
    QTest::newRow("cobol") << Lang::Cobol << "000100* all comment\n000200 MOVE 1 TO X. *> c"
                           << "* all comment:com / MOVE:kw 1:num TO:kw *> c:com";
    QTest::newRow("basic") << Lang::Basic << "Dim s As String ' note\nRem hi\nn = &HFF + \"a\"\"\" ' c"
                           << "Dim:kw As:kw String:ty ' note:com / Rem hi:com / &HFF:num \"a\"\"\":str ' c:com";
    QTest::newRow("latex") << Lang::Latex << "\\begin{equation} % c\n$a%$ b"
                           << "\\begin:kw equation:ty % c:com / $a:str %$ b:com";
    QTest::newRow("latex escaped percent") << Lang::Latex << "50\\% done % c" << "\\%:kw % c:com";
    QTest::newRow("latex display math over lines") << Lang::Latex << "\\[ x\ny \\] \\emph{z}"
                                                   << "\\[ x:str / y \\]:str \\emph:kw";
}

void tst_lexer::coloursLineByLine()
{
    QFETCH(Lang, lang);
    QFETCH(QString, source);
    QFETCH(QString, expected);
    QCOMPARE(describe(lang, source), expected);
}

void tst_lexer::operatorsAreMarked()
{
    QCOMPARE(describe(Lang::Cpp, "a += b->c;", true), "+=:op ->:op ;:op");
    QCOMPARE(describe(Lang::Html, "<a b=c>", true), "<a:tag b:att =:op c:str >:tag");
}

void tst_lexer::anyTextStaysInsideItsLineAndColouringNeverChangesTheState()
{
    static const QString alphabet = QStringLiteral("ab1 \t\"'`#/*-<>?%$@{}()[]\\=;:&!.~\u00e9\U0001F600");
    QRandomGenerator random(7);
    for (int l = 1; l < int(Lang::Count); ++l) {
        const Lang lang = Lang(l);
        LexState state = initialState(lang);
        for (int n = 0; n < 400; ++n) {
            QString line;
            for (int k = random.bounded(60); k > 0; --k)
                line += alphabet.mid(random.bounded(int(alphabet.size())), 1);
            std::vector<Token> all, window;
            const LexState end = lexLine(line, state, &all);
            QVERIFY(end == lexLine(line, state)); // the state never depends on who looks
            QVERIFY(end.depth < LexState::kLevels);
            qsizetype at = 0;
            for (const Token& t : all) {
                QVERIFY2(t.start >= at && t.length > 0 && t.start + t.length <= line.size(),
                         qPrintable(QStringLiteral("%1 in %2").arg(l).arg(line)));
                at = t.start + t.length;
            }
            // A stretch of the line gets the line's own tokens, cut to the stretch.
            const qsizetype from = random.bounded(int(line.size()) + 1);
            const qsizetype to = from + random.bounded(int(line.size() - from) + 1);
            lexLine(line, state, &window, from, to);
            std::vector<Token> cut;
            for (const Token& t : all) {
                const qsizetype a = std::max(t.start, from), b = std::min(t.start + t.length, to);
                if (a < b)
                    cut.push_back({a, b - a, t.kind});
            }
            QVERIFY(window == cut);
            state = end;
        }
    }
}

void tst_lexer::aTenMegabyteLineIsLexedInOneCall()
{
    const QString unit = QStringLiteral("int a = 1; ");
    QString line;
    line.reserve(10'000'000 + 8);
    while (line.size() < 10'000'000)
        line += unit;
    line += u"/* x";
    // Carrying the state alone: the line leaves a comment open.
    const LexState end = lexLine(line, initialState(Lang::Cpp));
    std::vector<Token> next;
    lexLine(u"*/ int", end, &next);
    QCOMPARE(next.size(), size_t(2));
    QCOMPARE(next[0].kind, TokenKind::Comment);
    // A stretch in the middle gives only its own tokens.
    const qsizetype from = 5'000'000 - 5'000'000 % unit.size();
    std::vector<Token> window;
    lexLine(line, initialState(Lang::Cpp), &window, from, from + unit.size());
    QCOMPARE(window.size(), size_t(4)); // int = 1 ; and nothing from outside
    QCOMPARE(window[0].start, from);
    QCOMPARE(window[0].kind, TokenKind::Type);
    QCOMPARE(window[2].kind, TokenKind::Number);
    Document doc{{line}};
    SyntaxHighlighter h(doc.reader());
    h.setLanguage(Lang::Cpp, 1);
    QVERIFY(h.tokens(0, from, from + unit.size()) == window);
    QCOMPARE(h.tokens(0, line.size() - 4).front().kind, TokenKind::Comment);
    // The same line in a string and in a page's script.
    const QString quoted = u'"' + line + u'"';
    std::vector<Token> all;
    lexLine(quoted, initialState(Lang::Cpp), &all);
    QCOMPARE(all.size(), size_t(1));
    QCOMPARE(all[0].length, quoted.size());
    const LexState page = lexLine(QStringLiteral("<script>") + line, initialState(Lang::Html));
    std::vector<Token> after;
    lexLine(u"*/ </script>x", page, &after);
    QCOMPARE(after.back().kind, TokenKind::Tag);
}

void tst_lexer::languageFollowsTheFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Lang>("lang");
    QTest::newRow("c++") << "/home/a/main.cpp" << Lang::Cpp;
    QTest::newRow("header in capitals") << "X.H" << Lang::Cpp;
    QTest::newRow("c++ sign") << "k.c++" << Lang::Cpp;
    QTest::newRow("inc is php") << "lib.inc" << Lang::Php;
    QTest::newRow("js is javascript") << "app.js" << Lang::JavaScript;
    QTest::newRow("jsp") << "page.jsp" << Lang::Jsp;
    QTest::newRow("java") << "A.java" << Lang::Java;
    QTest::newRow("xhtml") << "z.xhtml" << Lang::Html;
    QTest::newRow("vbscript") << "run.vbs" << Lang::Basic;
    QTest::newRow("makefile by name") << "/src/Makefile" << Lang::Makefile;
    QTest::newRow("text") << "notes.txt" << Lang::None;
    QTest::newRow("csv") << "d.csv" << Lang::None;
    QTest::newRow("log") << "a.log" << Lang::None;
    QTest::newRow("rich text") << "a.rtf" << Lang::None;
    QTest::newRow("no extension") << "README" << Lang::None;
    QTest::newRow("a dot in the folder") << "/a.cpp/readme" << Lang::None;
}

void tst_lexer::languageFollowsTheFileName()
{
    QFETCH(QString, name);
    QFETCH(Lang, lang);
    QCOMPARE(languageForFileName(name), lang);
}

void tst_lexer::everyKindOfTheOpenDialogIsColoured()
{
    // Read from the open dialog's own list, so that a kind added there is not forgotten here.
    QFile file(QStringLiteral(QUIPLE_SOURCE_DIR "/src/mainwindow/FileCommands.cpp"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString source = QString::fromUtf8(file.readAll());
    static const QRegularExpression row(QStringLiteral("\\{\"([^\"]+) Files[^\"]*\",\\s*\"([^\"]+)\"\\}"));
    int kinds = 0;
    for (const QRegularExpressionMatch& m : row.globalMatch(source)) {
        const QString kind = m.captured(1);
        if (kind == u"All")
            continue;
        const bool plain = kind == u"CSV" || kind == u"Log" || kind == u"Text" || kind == u"Rich Text";
        for (const QString& pattern : m.captured(2).split(u';', Qt::SkipEmptyParts)) {
            const Lang lang = languageForFileName(QStringLiteral("a") + pattern.mid(1));
            QVERIFY2(plain == (lang == Lang::None), qPrintable(kind + u' ' + pattern));
        }
        ++kinds;
    }
    QCOMPARE(kinds, 25);
}

void tst_lexer::languageFollowsTheFirstLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<Lang>("lang");
    QTest::newRow("doctype") << "<!DOCTYPE html>" << Lang::Html;
    QTest::newRow("html") << "  <HTML lang=en>" << Lang::Html;
    QTest::newRow("xml") << "<?xml version=\"1.0\"?>" << Lang::Xml;
    QTest::newRow("php") << "<?php" << Lang::Php;
    QTest::newRow("sh") << "#!/bin/sh" << Lang::Shell;
    QTest::newRow("bash with option") << "#!/bin/bash -e" << Lang::Shell;
    QTest::newRow("env python") << "#!/usr/bin/env python3" << Lang::Python;
    QTest::newRow("perl") << "#! /usr/bin/perl -w" << Lang::Perl;
    QTest::newRow("other program") << "#!/usr/bin/ruby" << Lang::None;
    QTest::newRow("prose") << "Dear Sir," << Lang::None;
}

void tst_lexer::languageFollowsTheFirstLine()
{
    QFETCH(QString, line);
    QFETCH(Lang, lang);
    QCOMPARE(languageForFirstLine(line), lang);
}

void tst_lexer::paletteIsReadableOnLightAndDark_data()
{
    QTest::addColumn<QColor>("background");
    QTest::newRow("white") << QColor(Qt::white);
    QTest::newRow("pale yellow") << QColor(0xff, 0xff, 0xe0);
    QTest::newRow("light grey") << QColor(0xe0, 0xe0, 0xe0);
    QTest::newRow("black") << QColor(Qt::black);
    QTest::newRow("editor dark") << QColor(0x1e, 0x1e, 0x1e);
    QTest::newRow("navy") << QColor(0, 0, 0x80);
    QTest::newRow("pure blue") << QColor(0, 0, 0xff);
}

void tst_lexer::paletteIsReadableOnLightAndDark()
{
    QFETCH(QColor, background);
    auto luminance = [](const QColor& c) {
        auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const SyntaxPalette& palette = paletteFor(background);
    const double b = luminance(background);
    QSet<QRgb> seen;
    for (int k = 0; k < kTokenKinds; ++k) {
        const double f = luminance(palette.colors[size_t(k)]);
        const double contrast = (std::max(f, b) + 0.05) / (std::min(f, b) + 0.05);
        QVERIFY2(contrast >= 3.0, qPrintable(QStringLiteral("kind %1: %2").arg(k).arg(contrast)));
        seen.insert(palette.colors[size_t(k)].rgb());
    }
    QCOMPARE(seen.size(), kTokenKinds); // every kind tells itself apart
}

void tst_lexer::anOpenedCommentColoursTheRestAndClosingItRestores()
{
    Document doc;
    for (int i = 0; i < 3000; ++i)
        doc.lines << QStringLiteral("int a%1 = %1;").arg(i);
    SyntaxHighlighter h(doc.reader());
    h.setLanguage(Lang::Cpp, doc.lines.size());
    fillAll(h.states());
    QCOMPARE(kindsOf(h, doc, 2999), "int:ty 2999:num");
    h.takeChanged();

    doc.lines[0].prepend(u"/*");
    h.edited(0, 1, 1);
    // The shown top at once; far lines still show the old colours until the fill comes by.
    QCOMPARE(kindsOf(h, doc, 10), "int a10 = 10;:com");
    QVERIFY(!h.isKnown(2999));
    QCOMPARE(kindsOf(h, doc, 2999), "int:ty 2999:num");
    const qsizetype before = h.states().linesLexed();
    fillAll(h.states());
    QVERIFY(h.states().linesLexed() - before >= 2999); // nothing settles: every line changed
    QVERIFY(h.isKnown(2999));
    QCOMPARE(kindsOf(h, doc, 2999), "int a2999 = 2999;:com");
    auto changed = h.takeChanged();
    QVERIFY(changed.first == 0 && changed.second == 3000);

    doc.lines[0].remove(0, 2);
    h.edited(0, 1, 1);
    fillAll(h.states());
    QCOMPARE(kindsOf(h, doc, 2999), "int:ty 2999:num");
    QCOMPARE(kindsOf(h, doc, 0), "int:ty 0:num");
}

void tst_lexer::anEditThatChangesNoStateStopsAtTheNextCheckpoint()
{
    Document doc;
    for (int i = 0; i < 5000; ++i)
        doc.lines << QStringLiteral("x = %1 # n").arg(i);
    LineStates states(doc.reader());
    states.reset(Lang::Python, doc.lines.size());
    QVERIFY(!states.isKnown(4000));
    QVERIFY(states.fillSome(1)); // one line at a time, and more remains
    QCOMPARE(states.linesLexed(), 1);
    fillAll(states);
    QVERIFY(states.isComplete());
    QVERIFY(states.checkpointCount() >= 5000 / LineStates::kSpacing);

    // A typed letter and a new line in the middle: the fill runs to the next checkpoint only.
    for (auto [first, removed, added] : {std::tuple{2600, 1, 1}, std::tuple{2600, 1, 2}, std::tuple{10, 3, 0}}) {
        doc.lines.insert(first, added, QStringLiteral("y = 'q'"));
        doc.lines.remove(first + added, removed);
        states.edited(first, removed, added);
        const qsizetype before = states.linesLexed();
        fillAll(states);
        QVERIFY2(states.linesLexed() - before <= 2 * LineStates::kSpacing,
                 qPrintable(QString::number(states.linesLexed() - before)));
        QVERIFY(states.isComplete());
    }
    // A shown line's state costs at most a checkpoint's distance.
    const qsizetype before = states.linesLexed();
    QVERIFY(states.stateAt(3000 + LineStates::kSpacing / 2));
    QVERIFY(states.linesLexed() - before < LineStates::kSpacing);
}

void tst_lexer::randomEditsAgreeWithLexingFromTheTop()
{
    static const QString pieces[] = {"a = 1", "s = '''x", "y'''", "# c", "\"\"\"", "def f():", ""};
    QRandomGenerator random(25);
    Document doc;
    for (int i = 0; i < 1500; ++i)
        doc.lines << pieces[random.bounded(7)];
    LineStates states(doc.reader());
    states.reset(Lang::Python, doc.lines.size());
    for (int step = 0; step < 60; ++step) {
        // Now and then a burst of edits with no fill between them, as a Replace All makes.
        for (int burst = step % 7 == 0 ? 50 : 1; burst > 0; --burst) {
            const int first = random.bounded(int(doc.lines.size()));
            const int removed = random.bounded(std::min<int>(4, int(doc.lines.size()) - first) + 1);
            const int added = random.bounded(step % 10 == 0 ? 600 : 4);
            doc.lines.remove(first, removed);
            for (int k = 0; k < added; ++k)
                doc.lines.insert(first, pieces[random.bounded(7)]);
            if (doc.lines.isEmpty())
                doc.lines << QString();
            states.edited(first, removed, added);
        }
        QCOMPARE(states.lineCount(), doc.lines.size());
        if (step % 3)
            states.fillSome(random.bounded(20000));
        else
            fillAll(states);
        // Every known line's state is what lexing from the top gives.
        LexState state = initialState(Lang::Python);
        for (qsizetype line = 0; line < doc.lines.size(); ++line) {
            if (states.isKnown(line) && random.bounded(8) == 0)
                QVERIFY2(states.stateAt(line) == state, qPrintable(QStringLiteral("step %1 line %2").arg(step).arg(line)));
            state = lexLine(doc.lines[line], state);
        }
    }
}

void tst_lexer::theEndOfALargeFileIsPlainUntilItsStateIsKnown()
{
    Document doc;
    for (int i = 0; i < 20000; ++i)
        doc.lines << QStringLiteral("echo %1").arg(i);
    SyntaxHighlighter h(doc.reader());
    h.setLanguage(Lang::Shell, doc.lines.size());
    QVERIFY(h.tokens(19999).empty()); // Ctrl+End before the fill: plain, and no wait
    QCOMPARE(h.states().linesLexed(), 0);
    QCOMPARE(kindsOf(h, doc, 100), "echo:kw 100:num");
    int slices = 0;
    while (h.fillSome(1000))
        ++slices;
    QVERIFY(slices > 10); // in slices, not all at once
    QCOMPARE(kindsOf(h, doc, 19999), "echo:kw 19999:num");
}

void tst_lexer::highlighterReadsTheStore()
{
    platform::TextStore store;
    QString text;
    for (int i = 0; i < 4000; ++i)
        text += QStringLiteral("<p class=\"c%1\">&lt; %1</p>\n").arg(i);
    text += QStringLiteral("<script>\nlet s = `a\n</script>");
    store.setRawText(text, platform::TextFormat::LineBreak::LF);
    SyntaxHighlighter h(store);
    h.setLanguage(languageForFileName(QStringLiteral("x.html")), store.lineCount());
    while (h.fillSome()) {
    }
    auto kinds = [&](qsizetype line) {
        QStringList parts;
        QString scratch;
        const QString text = store.lineText(line, &scratch).toString();
        for (const Token& t : h.tokens(line))
            parts << text.mid(t.start, t.length) + u':' + QLatin1String(kindName(t.kind));
        return parts.join(u' ');
    };
    QCOMPARE(kinds(3999), "<p:tag class:att =:op \"c3999\":str >:tag &lt;:ent </p>:tag");
    QCOMPARE(kinds(4001), "let:kw =:op `a:str");
    QCOMPARE(kinds(4002), "</script>:tag");
}

void tst_lexer::plainDocumentsAreNeverReadAndSaveAsRecolours()
{
    Document doc;
    for (int i = 0; i < 1000; ++i)
        doc.lines << QStringLiteral("x = 1 # %1").arg(i);
    int reads = 0;
    SyntaxHighlighter h([&](qsizetype line, QString&) {
        ++reads;
        return QStringView(doc.lines.at(line));
    });
    h.setLanguage(languageForFileName(QStringLiteral("notes.txt")), doc.lines.size());
    QVERIFY(!h.fillSome());
    QVERIFY(h.tokens(500).empty());
    QCOMPARE(reads, 0);
    h.setLanguage(languageForFileName(QStringLiteral("notes.py")), doc.lines.size());
    while (h.fillSome()) {
    }
    QCOMPARE(kindsOf(h, doc, 500), "1:num # 500:com");
}

void tst_lexer::onlyTheLinesAnEditReachesAreReportedChanged()
{
    Document doc;
    for (int i = 0; i < 3000; ++i)
        doc.lines << QStringLiteral("<p>%1</p>").arg(i);
    SyntaxHighlighter h(doc.reader());
    h.setLanguage(Lang::Html, doc.lines.size());
    while (h.fillSome()) {
    }
    h.takeChanged();
    doc.lines[1500] = QStringLiteral("<b>x</b>");
    h.edited(1500, 1, 1);
    while (h.fillSome()) {
    }
    const auto [first, last] = h.takeChanged();
    QVERIFY(first <= 1500 && last > 1500);
    QVERIFY(first >= 1500 - LineStates::kSpacing && last <= 1500 + LineStates::kSpacing + 1);
    // An opened comment reaches to the end.
    doc.lines[1500] = QStringLiteral("<!-- x");
    h.edited(1500, 1, 1);
    while (h.fillSome()) {
    }
    QCOMPARE(h.takeChanged().second, 3000);
    QCOMPARE(kindsOf(h, doc, 2999), "<p>2999</p>:com");
}

QTEST_GUILESS_MAIN(tst_lexer)
#include "tst_lexer.moc"
