#pragma once

#include <QByteArray>
#include <QString>
#include <QTextListFormat>

#include <array>
#include <map>
#include <string_view>
#include <vector>

class QTextBlock;
class QTextDocument;
class QTextList;

namespace platform::rtf {

/// How one level of a list numbers or marks its items, and where its text stands.
struct ListLevel {
    QTextListFormat::Style style = QTextListFormat::ListDisc;
    int start = 1;
    QString prefix;        ///< text before the number ("(" in "(a)")
    QString suffix;        ///< text after it ("." in "1.")
    int left = 0;          ///< the items' text, from the left margin, in twips (0: not given)
    int firstLine = 0;     ///< the marker's place relative to `left` (negative: hanging)
};

/// A paragraph's place in a list, as its words gave it: \lsN and \ilvlN, or the older \pn form
/// (whose lists get numbers of their own, below zero).
struct ListMark {
    int list = 0;    ///< 0: not in a list
    int level = 0;
};

/// The lists of a file being read: its list table, the overrides paragraphs name, and the older
/// paragraph-by-paragraph numbering. Paragraphs are marked as they are read; once the document
/// is built, the marked paragraphs are joined into the document's lists.
class RtfListReader {
public:
    /// The text of a \listtable or \listoverridetable group, without its braces.
    void readListTable(std::string_view group);
    void readOverrideTable(std::string_view group);
    /// The text of a paragraph's {\pn ...} group; returns the list the paragraph belongs to.
    ListMark readParagraphNumbering(std::string_view group, const ListMark& previous);
    /// True when paragraphs naming this list are shown as a list (their \listtext is then left out).
    bool knows(int list) const { return list < 0 || overrides_.count(list) > 0; }

    /// Properties of a marked paragraph's block format, for join().
    static void mark(class QTextBlockFormat& format, const ListMark& mark);
    /// Puts every marked paragraph of the document into its list. A level's numbering starts
    /// again after an item of a higher level, as word processors number outlines.
    void join(QTextDocument& document) const;

private:
    using Levels = std::array<ListLevel, 9>;
    const Levels* levelsOf(int list) const;

    std::map<int, Levels> lists_;      ///< by \listid
    std::map<int, int> overrides_;     ///< \ls to \listid
    std::map<int, Levels> numbered_;   ///< the older form's lists, by their number below zero
    int lastNumbered_ = 0;
};

/// The lists of a document being written: a list table that describes them, and for each item
/// the words that put its paragraph in its list, with the marker as text for older readers.
class RtfListWriter {
public:
    /// Gives every list of the document its place in the tables; call for each block in order.
    void collect(const QTextBlock& block);
    bool empty() const { return lists_.empty(); }
    /// The \listtable and \listoverridetable groups.
    QByteArray tables() const;
    /// For a block in a list: "\lsN\ilvlN" and its indents, to follow \pard.
    QByteArray paragraphWords(const QTextBlock& block) const;
    /// For a block in a list: the {\listtext ...} group that starts its text.
    QByteArray listText(const QTextBlock& block);

private:
    struct Entry {
        int id = 0;                       ///< the list's number in the file (\ls and \listid)
        std::array<ListLevel, 9> levels;
    };
    int entryOf(const QTextList* list) const;
    static int levelOf(const QTextList* list);

    std::vector<Entry> lists_;
    std::map<const QTextList*, int> entries_;   ///< which entry each of the document's lists is
    std::map<int, int> byReadId_;               ///< a list read from a file keeps its group
    std::map<const QTextList*, int> counts_;    ///< items written so far, by list
};

} // namespace platform::rtf
