// libFuzzer target for the syntax lexer, which reads every line of every source file opened:
// the first byte picks the language, the rest is UTF-8 text cut into lines. Lexing must stay in
// the line (tokens in order, inside it, never empty), give the same end state whether or not
// tokens are asked for, and give a stretch of a line the line's own tokens cut to it. The
// start-of-line states of the same text, filled in slices after an edit, must agree with
// lexing from the top.
//
//   cmake --build build-fuzz --target lexer_fuzz
//   build-fuzz/fuzz/lexer_fuzz -max_total_time=600 -timeout=2 -max_len=8192 corpus-folder
#include "platform/text/LineStates.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace platform::syntax;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const LanguageId lang = LanguageId(1 + data[0] % (int(LanguageId::Count) - 1));
    const qsizetype cut = data[1];
    QStringList lines = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2))
                            .split(u'\n');
    std::vector<LexState> starts;
    LexState state = initialState(lang);
    for (const QString& line : lines) {
        starts.push_back(state);
        std::vector<Token> all, window;
        const LexState end = lexLine(line, state, &all);
        if (!(end == lexLine(line, state)) || end.depth >= LexState::kLevels)
            std::abort();
        qsizetype at = 0;
        for (const Token& t : all) {
            if (t.start < at || t.length <= 0 || t.start + t.length > line.size())
                std::abort();
            at = t.start + t.length;
        }
        const qsizetype from = std::min(cut, line.size()), to = std::min(from + cut, line.size());
        lexLine(line, state, &window, from, to);
        size_t k = 0;
        for (const Token& t : all) {
            const qsizetype a = std::max(t.start, from), b = std::min(t.start + t.length, to);
            if (a >= b)
                continue;
            if (k >= window.size() || !(window[k++] == Token{a, b - a, t.kind}))
                std::abort();
        }
        if (k != window.size())
            std::abort();
        state = end;
    }
    // The states with a spacing as the lines allow, after removing a line in the middle.
    LineStates states([&](qsizetype line, QString&) { return QStringView(lines.at(line)); });
    states.reset(lang, lines.size());
    while (states.fillSome(cut + 1)) {
    }
    if (lines.size() > 2) {
        const qsizetype middle = lines.size() / 2;
        lines.removeAt(middle);
        starts.erase(starts.begin() + middle + 1, starts.end());
        states.edited(middle, 1, 0);
        while (states.fillSome(cut + 1)) {
        }
        LexState again = starts[middle];
        for (qsizetype line = middle; line < lines.size(); ++line) {
            if (!(states.stateAt(line) == again))
                std::abort();
            again = lexLine(lines[line], again);
        }
    }
    for (qsizetype line = 0; line < qsizetype(starts.size()) && line < lines.size(); ++line) {
        if (!(states.stateAt(line) == starts[size_t(line)]))
            std::abort();
    }
    return 0;
}
