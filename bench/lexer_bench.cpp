// Carrying the lexer's state from the top of a generated file, per family of languages, in MB/s
// of source (the files are ASCII, so a character is a byte): the lexer alone over the lines,
// the same with every token listed (what painting needs, for comparison), and the C++ file
// filled in slices through the store as the view will do it.
//
//   build-rel/lexer_bench [SIZE_MB]      (default 50)
#include "platform/text/LineStates.h"
#include "platform/text/SyntaxHighlighter.h"
#include "platform/text/TextStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>
#include <cstring>

using namespace platform::syntax;

namespace {

const char* const kCpp[] = {
    "#include <vector>",
    "#define TWICE(x) ((x) * 2) /* a macro */",
    "/* A block comment that spans",
    "   two lines, with \"quotes\" and // inside. */",
    "namespace demo {",
    "static const char* kName = \"demo /* not a comment */\";",
    "template <typename T> int count(const std::vector<T>& items, T value) {",
    "    int n = 0; // running total",
    "    for (const T& item : items)",
    "        if (item == value && n < 0x7fffffff) ++n;",
    "    return n * 1.5e3f > 0 ? n : -1;",
    "}",
    "} // namespace demo",
};
const char* const kScripts[] = {
    "def parse(path, *, strict=False):  # read a file",
    "    \"\"\"Reads a file and returns its records.",
    "    Blank lines are skipped.\"\"\"",
    "    with open(path) as f:",
    "        return [line.split(',') for line in f if line.strip() and line[0] != '#']",
    "cat <<EOF > out.txt",
    "Hello $USER, today is $(date) # not a comment",
    "EOF",
    "for f in *.txt; do echo \"file: $f\" | tr a-z A-Z; done  # shout",
    "my %seen = (); print <<\"END\" if $x =~ /^#/;",
    "Dear $name,",
    "END",
};
const char* const kPage[] = {
    "<!DOCTYPE html>",
    "<html><head><title>A &amp; B</title>",
    "<style>",
    "  body { margin: 0; color: #333; font-family: sans-serif } /* base */",
    "</style>",
    "<script>",
    "  const greet = (name) => `Hello, ${name}!`; // arrow",
    "  if (a < b && c > d) { document.title = \"</p>\"; }",
    "</script></head>",
    "<body class=\"main\" data-id='7'>",
    "<!-- a comment",
    "     over two lines -->",
    "<p>Total: <?php echo number_format($total, 2); // money ?></p>",
    "<?php foreach ($rows as $row) { ?><tr><td><?= $row['name'] ?></td></tr><?php } ?>",
    "</body></html>",
};
const char* const kBatch[] = {
    "@echo off", "rem Build everything", "setlocal enabledelayedexpansion",
    "for %%f in (*.c) do cl /c \"%%f\" || goto :fail", "if errorlevel 1 echo Failed & exit /b 1",
    ":fail", "echo %DATE% !count! done",
};
const char* const kAsm[] = {
    "section .text", "global _start", "_start: mov eax, 4      ; write",
    "        mov ebx, 1", "        mov ecx, msg", "        int 0x80", "msg db 'Hello', 10, 0",
};
const char* const kBasic[] = {
    "Option Explicit", "' Adds the numbers", "Function Total(ByVal a As Integer, b As Long) As Long",
    "    Dim s As String: s = \"say \"\"hi\"\"\"", "    Total = a + b + &HFF ' hex", "End Function",
};
const char* const kLatex[] = {
    "\\documentclass{article} % class", "\\begin{document}", "\\section{Intro} Some text with $x^2 + y$ inline.",
    "\\[ \\int_0^1 f(x)\\,dx", "   = 1 \\]", "\\end{document}",
};

template <size_t N>
QStringList make(const char* const (&sample)[N], qsizetype bytes, qsizetype* size)
{
    QStringList lines;
    *size = 0;
    while (*size < bytes) {
        for (const char* line : sample) {
            lines << QString::fromLatin1(line);
            *size += qsizetype(std::strlen(line)) + 1;
        }
    }
    return lines;
}

double mbPerSecond(qsizetype bytes, const QElapsedTimer& timer)
{
    return double(bytes) / 1e6 / (double(timer.nsecsElapsed()) / 1e9);
}

template <size_t N>
void measure(const char* name, LanguageId lang, const char* const (&sample)[N], qsizetype bytes)
{
    qsizetype size = 0;
    const QStringList lines = make(sample, bytes, &size);
    QElapsedTimer timer;
    timer.start();
    LexState state = initialState(lang);
    for (const QString& line : lines)
        state = lexLine(line, state);
    const double carry = mbPerSecond(size, timer);
    std::vector<Token> tokens;
    timer.start();
    state = initialState(lang);
    size_t count = 0;
    for (const QString& line : lines) {
        tokens.clear();
        state = lexLine(line, state, &tokens);
        count += tokens.size();
    }
    const double listed = mbPerSecond(size, timer);
    std::printf("%-22s %7.1f MB  carrying the state %7.1f MB/s   listing %zu tokens %7.1f MB/s\n",
                name, double(size) / 1e6, carry, count, listed);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const qsizetype mb = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 50;
    const qsizetype bytes = mb * 1'000'000;
    std::printf("Lexing %lld MB per family from the top of the file\n", static_cast<long long>(mb));
    measure("C-like: C++", LanguageId::Cpp, kCpp, bytes);
    measure("Scripts: Python+sh+pl", LanguageId::Python, kScripts, bytes / 3);
    measure("  as shell", LanguageId::Shell, kScripts, bytes / 3);
    measure("  as Perl", LanguageId::Perl, kScripts, bytes / 3);
    measure("Markup: PHP page", LanguageId::Php, kPage, bytes);
    measure("Line: batch", LanguageId::Batch, kBatch, bytes / 4);
    measure("Line: assembly", LanguageId::Assembly, kAsm, bytes / 4);
    measure("Line: Basic", LanguageId::Basic, kBasic, bytes / 4);
    measure("Line: LaTeX", LanguageId::Latex, kLatex, bytes / 4);

    // The view's way: the whole C++ file in the store, filled in slices of the default budget.
    qsizetype size = 0;
    const QString text = make(kCpp, bytes, &size).join(u'\n');
    platform::TextStore store;
    store.setRawText(text, platform::TextFormat::LineBreak::LF);
    SyntaxHighlighter highlighter(store);
    highlighter.setLanguage(LanguageId::Cpp, store.lineCount());
    QElapsedTimer timer;
    timer.start();
    qint64 longest = 0, slices = 0, last = 0;
    while (highlighter.fillSome()) {
        const qint64 now = timer.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
        ++slices;
    }
    std::printf("C++ through the store  %7.1f MB  filled in %lld slices at %7.1f MB/s, longest slice %.2f ms, "
                "%lld checkpoints\n",
                double(size) / 1e6, static_cast<long long>(slices), mbPerSecond(size, timer),
                double(longest) / 1e6, static_cast<long long>(highlighter.states().checkpointCount()));
    return 0;
}
