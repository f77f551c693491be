#pragma once

// The rules of the text store's leaves, shared by the files that build and edit them.

#include "platform/TextFile.h"
#include "platform/text/TextStore.h"

#include <QStringView>

namespace platform::textstore {

// A leaf is cut in two past kMaxLeaf code units and joined to a neighbour below kMinLeaf: an
// edit moves at most 64 KB, and a gigabyte is some 16,000 leaves.
constexpr qsizetype kMaxLeaf = 32 * 1024;
constexpr qsizetype kMinLeaf = 8 * 1024;
// A step of this many changes or more (a Replace All) is undone and redone from its end.
constexpr size_t kManyChanges = 64;
// A removal this long keeps the leaves it took for its undo, rather than a copy of their text.
constexpr qsizetype kShareRemoved = 4 * kMaxLeaf;
// Needles longer than this are looked for in the text taken whole.
constexpr qsizetype kLongNeedle = 1024;

inline qsizetype countBreaks(QStringView text)
{
    // A plain loop, which the compiler turns into vector instructions.
    const char16_t* p = text.utf16();
    qsizetype n = 0;
    for (qsizetype i = 0, size = text.size(); i < size; ++i)
        n += p[i] == u'\n';
    return n;
}

inline QStringView breakText(TextFormat::LineBreak kind)
{
    switch (kind) {
    case TextFormat::LineBreak::CRLF: return u"\r\n";
    case TextFormat::LineBreak::CR: return u"\r";
    case TextFormat::LineBreak::LF: break;
    }
    return u"\n";
}

// A cut near want that does not part a surrogate pair.
inline qsizetype cutNear(QStringView text, qsizetype want)
{
    if (want > 0 && want < text.size() && text[want - 1].isHighSurrogate()
        && text[want].isLowSurrogate())
        return want - 1;
    return want;
}

// The same within a leaf's text, from from on.
inline qsizetype cutNear(const LeafText& text, qsizetype from, qsizetype want)
{
    if (text.isNarrow())
        return want; // no surrogates in Latin-1
    QString scratch;
    return cutNear(text.view(from, text.size() - from, &scratch), want);
}

// Cuts text of more than a leaf into leaves of half a leaf or more, each with its breaks counted.
void cutIntoLeaves(const TextStore::Leaf& whole, std::vector<TextStore::Leaf>* parts,
                   std::vector<qsizetype>* breaks);

} // namespace platform::textstore
