#include "platform/rtf/RtfLists.h"

#include "platform/rtf/RtfKeywords.h"
#include "platform/rtf/RtfWriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>

namespace platform::rtf {

namespace {

enum ListProperty {
    BlockList = QTextFormat::UserProperty + 0x5300,   ///< a block's list, until the lists are joined
    BlockLevel,
    ListReadId,      ///< the list a QTextList was read from, so it is written back as one
    ListLevelIndex,  ///< the level a QTextList shows
    ListFirstLine,   ///< where its marker stands, relative to the text, in twips
    ListStartAt,     ///< its first number: kept to be written back (this Qt shows lists from 1)
};

constexpr int kLevels = 9;
constexpr int kStepTwips = 360;   // a level's indent when the file gives none

// The words, groups and text of a list group, one at a time. The tables are small: no care is
// taken over speed, only that malformed text ends the walk.
class Lexer {
public:
    explicit Lexer(std::string_view text) : s_(text) {}

    enum Kind { Open, Close, Word, Byte, Char, End };
    struct Token {
        Kind kind = End;
        std::string_view word;
        int param = 0;
        bool hasParam = false;
        char16_t ch = 0;
    };

    Token next()
    {
        while (i_ < s_.size()) {
            const char c = s_[i_++];
            if (c == '{')
                return {Open, {}, 0, false, 0};
            if (c == '}')
                return {Close, {}, 0, false, 0};
            if (c == '\r' || c == '\n')
                continue;
            if (c != '\\')
                return {Char, {}, 0, false, char16_t(static_cast<unsigned char>(c))};
            if (i_ >= s_.size())
                return {End, {}, 0, false, 0};
            const char d = s_[i_];
            if (d == '\'') {
                int value = 0;
                for (int k = 0; k < 2 && i_ + 1 + k < s_.size(); ++k)
                    value = value * 16 + std::max(0, hexValue(s_[i_ + 1 + k]));
                i_ += 3;
                return {Byte, {}, 0, false, char16_t(value & 0xFF)};
            }
            if (!isLetter(d)) {
                ++i_;
                if (d == '\\' || d == '{' || d == '}')
                    return {Char, {}, 0, false, char16_t(d)};
                continue;   // \* and the other symbols say nothing here
            }
            const size_t start = i_;
            while (i_ < s_.size() && isLetter(s_[i_]))
                ++i_;
            Token t{Word, s_.substr(start, i_ - start)};
            const size_t digits = i_;
            if (i_ < s_.size() && (s_[i_] == '-' || isDigit(s_[i_]))) {
                ++i_;
                while (i_ < s_.size() && isDigit(s_[i_]))
                    ++i_;
                // Ids are often ten digits and a sign; what no int holds is no number here.
                bool ok = false;
                t.param = QByteArrayView(s_.substr(digits, std::min<size_t>(i_ - digits, 12))).toInt(&ok);
                t.hasParam = ok;
            }
            if (i_ < s_.size() && s_[i_] == ' ')
                ++i_;
            return t;
        }
        return {End, {}, 0, false, 0};
    }

private:
    std::string_view s_;
    size_t i_ = 0;
};

QTextListFormat::Style styleOfNumbering(int nfc)
{
    switch (nfc) {
    case 1: return QTextListFormat::ListUpperRoman;
    case 2: return QTextListFormat::ListLowerRoman;
    case 3: return QTextListFormat::ListUpperAlpha;
    case 4: return QTextListFormat::ListLowerAlpha;
    case 23: case 255: return QTextListFormat::ListDisc;
    default: return QTextListFormat::ListDecimal;
    }
}

int numberingOfStyle(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListUpperRoman: return 1;
    case QTextListFormat::ListLowerRoman: return 2;
    case QTextListFormat::ListUpperAlpha: return 3;
    case QTextListFormat::ListLowerAlpha: return 4;
    case QTextListFormat::ListDecimal: return 0;
    default: return 23;
    }
}

bool isBullet(QTextListFormat::Style style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
           style == QTextListFormat::ListSquare;
}

// The bullets of a level no file describes, as word processors nest them: disc, circle, square.
QTextListFormat::Style nestedBullet(int level)
{
    static constexpr QTextListFormat::Style kStyles[] = {
        QTextListFormat::ListDisc, QTextListFormat::ListCircle, QTextListFormat::ListSquare};
    return kStyles[level % 3];
}

// The bullet a marker character draws: hollow and square ones have styles of their own. Bytes
// of symbol fonts come as private-use characters or as their Latin-1 look-alikes; a character
// that is none of these (a dash, an arrow) gets the bullet of its level.
QTextListFormat::Style bulletStyle(QStringView marker, int level)
{
    for (const QChar c : marker) {
        switch (c.unicode()) {
        case u'o': case 0x25E6: case 0x25CB: case 0xF06F: return QTextListFormat::ListCircle;
        case 0x25AA: case 0x25A0: case 0x00A7: case 0xF0A7: case 0xF0A8: return QTextListFormat::ListSquare;
        case 0x2022: case 0x00B7: case 0xF0B7: case 0x25CF: return QTextListFormat::ListDisc;
        case u' ': case u'\t': continue;
        default: return nestedBullet(level);
        }
    }
    return nestedBullet(level);
}

QChar bulletCharacter(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListCircle: return QChar(0x25E6);
    case QTextListFormat::ListSquare: return QChar(0x25AA);
    default: return QChar(0x2022);
    }
}

// A number as a list of this style shows it: 1, a, A, i or I onwards.
QString numberText(int n, QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListLowerAlpha: case QTextListFormat::ListUpperAlpha: {
        QString text;
        for (int k = std::max(n, 1); k > 0; k = (k - 1) / 26)
            text.prepend(QChar(char16_t(u'a' + (k - 1) % 26)));
        return style == QTextListFormat::ListUpperAlpha ? text.toUpper() : text;
    }
    case QTextListFormat::ListLowerRoman: case QTextListFormat::ListUpperRoman: {
        if (n <= 0 || n >= 4000)
            return QString::number(n);
        static constexpr std::pair<int, const char*> kRoman[] = {
            {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
            {50, "l"}, {40, "xl"}, {10, "x"}, {9, "ix"}, {5, "v"}, {4, "iv"}, {1, "i"}};
        QString text;
        for (const auto& [value, letters] : kRoman)
            for (; n >= value; n -= value)
                text += QLatin1String(letters);
        return style == QTextListFormat::ListUpperRoman ? text.toUpper() : text;
    }
    default:
        return QString::number(n);
    }
}

// The text of a group up to its end, \'hh bytes as Latin-1 and \uN as itself; placeholders
// of level numbers (bytes 0 to 8) stay as they are.
QString groupText(Lexer& lex)
{
    QString text;
    int depth = 1;
    int uc = 1;
    int skipFallback = 0;
    for (Lexer::Token t = lex.next(); t.kind != Lexer::End; t = lex.next()) {
        if (t.kind == Lexer::Open) {
            ++depth;
        } else if (t.kind == Lexer::Close) {
            if (--depth == 0)
                break;
        } else if (depth > 1) {
            continue;
        } else if (t.kind == Lexer::Word) {
            if (t.word == "u" && t.hasParam) {
                text.append(QChar(char16_t(t.param < 0 ? t.param + 65536 : t.param)));
                skipFallback = uc;
            } else if (t.word == "uc" && t.hasParam) {
                uc = std::clamp(t.param, 0, 10);
            }
        } else if (skipFallback > 0) {
            --skipFallback;
        } else {
            text.append(QChar(t.ch));
        }
    }
    return text;
}

// A level's text: its first character is its length; characters below 9 stand for the numbers
// of the levels, the last of them this level's own. A text without a number is a bullet, whatever
// numbering the level names.
void readLevelText(ListLevel& level, int index, const QString& text)
{
    if (text.isEmpty())
        return;
    const QString body = text.mid(1, std::clamp<int>(text[0].unicode(), 0, int(text.size()) - 1));
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i].unicode() < kLevels) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0) {
        level.style = bulletStyle(body, index);
        return;
    }
    level.prefix = body.left(first);
    level.suffix = body.mid(last + 1);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Reading

void RtfListReader::readListTable(std::string_view group)
{
    Lexer lex(group);
    // Depth 1: the table; a {\list ...} group at depth 2; its {\listlevel ...} groups at depth 3.
    int depth = 1;
    Levels levels;
    int levelIndex = -1;
    int id = 0;
    bool inList = false, inLevel = false;
    int levelDepth = 0, listDepth = 0;
    for (Lexer::Token t = lex.next(); t.kind != Lexer::End; t = lex.next()) {
        if (t.kind == Lexer::Open) {
            ++depth;
            continue;
        }
        if (t.kind == Lexer::Close) {
            if (inLevel && depth == levelDepth)
                inLevel = false;
            if (inList && depth == listDepth) {
                inList = false;
                if (id != 0)
                    lists_[id] = levels;
            }
            if (--depth == 0)
                break;
            continue;
        }
        if (t.kind != Lexer::Word)
            continue;
        if (t.word == "list" && !inList) {
            inList = true;
            listDepth = depth;
            levels = Levels();
            for (int l = 0; l < kLevels; ++l)
                levels[size_t(l)].style = nestedBullet(l);
            levelIndex = -1;
            id = 0;
        } else if (!inList) {
            continue;
        } else if (t.word == "listlevel" && !inLevel) {
            inLevel = true;
            levelDepth = depth;
            ++levelIndex;
        } else if (t.word == "listid" && !inLevel) {
            id = t.param;
        } else if (t.word == "listname" || t.word == "listpicture" || t.word == "levelnumbers") {
            groupText(lex);   // says nothing the levels need
            --depth;
        } else if (inLevel && levelIndex >= 0 && levelIndex < kLevels) {
            ListLevel& level = levels[size_t(levelIndex)];
            if (t.word == "levelnfc" || t.word == "levelnfcn")
                level.style = styleOfNumbering(t.param);
            else if (t.word == "levelstartat")
                level.start = std::clamp(t.param, 0, 32767);
            else if (t.word == "li" || t.word == "lin")
                level.left = std::clamp(t.param, 0, 31680);
            else if (t.word == "fi")
                level.firstLine = std::clamp(t.param, -31680, 31680);
            else if (t.word == "leveltext") {
                readLevelText(level, levelIndex, groupText(lex));
                --depth;
            }
        }
    }
}

void RtfListReader::readOverrideTable(std::string_view group)
{
    Lexer lex(group);
    int list = 0, override = 0;
    int depth = 1;
    for (Lexer::Token t = lex.next(); t.kind != Lexer::End; t = lex.next()) {
        if (t.kind == Lexer::Open) {
            if (++depth == 2)
                list = override = 0;
        } else if (t.kind == Lexer::Close) {
            if (depth == 2 && override > 0 && lists_.count(list))
                overrides_[override] = list;
            if (--depth == 0)
                break;
        } else if (t.kind == Lexer::Word && depth == 2) {
            if (t.word == "listid")
                list = t.param;
            else if (t.word == "ls")
                override = t.param;
        }
    }
}

ListMark RtfListReader::readParagraphNumbering(std::string_view group, const ListMark& previous)
{
    Lexer lex(group);
    ListLevel level;
    level.style = QTextListFormat::ListDecimal;
    int outline = 0;
    bool continued = false;
    int depth = 1;
    for (Lexer::Token t = lex.next(); t.kind != Lexer::End; t = lex.next()) {
        if (t.kind == Lexer::Open) {
            ++depth;
        } else if (t.kind == Lexer::Close) {
            if (--depth == 0)
                break;
        } else if (t.kind == Lexer::Word) {
            const std::string_view w = t.word;
            if (w == "pnlvlblt") level.style = QTextListFormat::ListDisc;
            else if (w == "pnlvlbody") outline = 0;
            else if (w == "pnlvlcont") continued = true;
            else if (w == "pnlvl") outline = std::clamp(t.param - 1, 0, kLevels - 1);
            else if (w == "pndec") level.style = QTextListFormat::ListDecimal;
            else if (w == "pnucltr") level.style = QTextListFormat::ListUpperAlpha;
            else if (w == "pnlcltr") level.style = QTextListFormat::ListLowerAlpha;
            else if (w == "pnucrm") level.style = QTextListFormat::ListUpperRoman;
            else if (w == "pnlcrm") level.style = QTextListFormat::ListLowerRoman;
            else if (w == "pnstart") level.start = std::clamp(t.param, 0, 32767);
            else if (w == "pnindent") level.left = std::clamp(t.param, 0, 31680);
            else if (w == "pntxtb" || w == "pntxta") {
                QString text = groupText(lex);
                --depth;
                text = text.trimmed();
                if (w == "pntxta")
                    level.suffix = text;
                else if (isBullet(level.style))
                    level.style = bulletStyle(text, outline);
                else
                    level.prefix = text;
            }
        }
    }
    if (continued)
        return {};
    // Paragraphs numbered one after the other in the same way make one list.
    if (previous.list < 0) {
        const ListLevel& before = numbered_[previous.list][size_t(outline)];
        if (before.style == level.style && before.prefix == level.prefix &&
            before.suffix == level.suffix) {
            numbered_[previous.list][size_t(outline)] = level;
            return {previous.list, outline};
        }
    }
    const int id = --lastNumbered_;
    numbered_[id][size_t(outline)] = level;
    return {id, outline};
}

const RtfListReader::Levels* RtfListReader::levelsOf(int list) const
{
    if (list < 0) {
        const auto it = numbered_.find(list);
        return it == numbered_.end() ? nullptr : &it->second;
    }
    const auto o = overrides_.find(list);
    if (o == overrides_.end())
        return nullptr;
    const auto it = lists_.find(o->second);
    return it == lists_.end() ? nullptr : &it->second;
}

void RtfListReader::mark(QTextBlockFormat& format, const ListMark& mark)
{
    format.setProperty(BlockList, mark.list);
    format.setProperty(BlockLevel, std::clamp(mark.level, 0, kLevels - 1));
}

void RtfListReader::join(QTextDocument& document) const
{
    if (lists_.empty() && numbered_.empty())
        return;
    std::map<int, std::array<QTextList*, kLevels>> open;
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (!format.hasProperty(BlockList))
            continue;
        const int list = format.intProperty(BlockList);
        const int index = format.intProperty(BlockLevel);
        format.clearProperty(BlockList);
        format.clearProperty(BlockLevel);
        const Levels* levels = levelsOf(list);
        cursor.setPosition(block.position());
        if (!levels) {
            cursor.setBlockFormat(format);
            continue;
        }
        const ListLevel& level = (*levels)[size_t(index)];
        // The marker stands in the hanging part of the first line; the text's indent is the
        // paragraph's own, or its level's.
        if (format.leftMargin() <= 0)
            format.setLeftMargin((level.left > 0 ? level.left : kStepTwips * (index + 1)) / 15.0);
        format.clearProperty(QTextFormat::TextIndent);
        auto& lists = open[list];
        std::fill(lists.begin() + index + 1, lists.end(), nullptr);
        if (QTextList* existing = lists[size_t(index)]) {
            cursor.setBlockFormat(format);
            existing->add(cursor.block());
            continue;
        }
        cursor.setBlockFormat(format);
        QTextListFormat listFormat;
        listFormat.setStyle(level.style);
        listFormat.setIndent(0);
        if (!isBullet(level.style)) {
            if (level.start != 1)
                listFormat.setProperty(ListStartAt, level.start);
            listFormat.setNumberPrefix(level.prefix);
            listFormat.setNumberSuffix(level.suffix);
        }
        listFormat.setProperty(ListReadId, list);
        listFormat.setProperty(ListLevelIndex, index);
        if (level.firstLine != 0)
            listFormat.setProperty(ListFirstLine, level.firstLine);
        lists[size_t(index)] = cursor.createList(listFormat);
    }
}

// ---------------------------------------------------------------------------------------------
// Writing

int RtfListWriter::levelOf(const QTextList* list)
{
    const QTextListFormat format = list->format();
    if (format.hasProperty(ListLevelIndex))
        return std::clamp(format.intProperty(ListLevelIndex), 0, kLevels - 1);
    return std::clamp(format.indent() - 1, 0, kLevels - 1);
}

void RtfListWriter::collect(const QTextBlock& block)
{
    QTextList* list = block.textList();
    if (!list || entries_.count(list))
        return;
    const QTextListFormat format = list->format();
    const int readId = format.hasProperty(ListReadId) ? format.intProperty(ListReadId) : 0;
    int entry = -1;
    if (readId != 0) {
        if (const auto it = byReadId_.find(readId); it != byReadId_.end())
            entry = it->second;
    }
    if (entry < 0) {
        entry = int(lists_.size());
        Entry e;
        e.id = entry + 1;
        for (int l = 0; l < kLevels; ++l) {
            e.levels[size_t(l)].left = kStepTwips * 2 * (l + 1);
            e.levels[size_t(l)].firstLine = -kStepTwips;
            e.levels[size_t(l)].style = QTextListFormat::ListStyleUndefined;   // not shown yet
        }
        lists_.push_back(e);
        if (readId != 0)
            byReadId_[readId] = entry;
    }
    entries_[list] = entry;
    ListLevel& level = lists_[size_t(entry)].levels[size_t(levelOf(list))];
    level.style = format.style();
    level.start = format.hasProperty(ListStartAt) ? format.intProperty(ListStartAt) : 1;
    level.prefix = format.numberPrefix();
    level.suffix = format.numberSuffix();
    if (format.hasProperty(ListFirstLine))
        level.firstLine = format.intProperty(ListFirstLine);
}

int RtfListWriter::entryOf(const QTextList* list) const
{
    const auto it = entries_.find(list);
    return it == entries_.end() ? -1 : it->second;
}

QByteArray RtfListWriter::tables() const
{
    QByteArray out = "{\\*\\listtable\n";
    for (const Entry& e : lists_) {
        out += "{\\list\\listtemplateid";
        out += QByteArray::number(e.id);
        out += '\n';
        // Levels no item shows follow the nearest one above them that does.
        QTextListFormat::Style inherited = QTextListFormat::ListDisc;
        for (const ListLevel& level : e.levels) {
            const QTextListFormat::Style style = level.style == QTextListFormat::ListStyleUndefined ? inherited : level.style;
            inherited = style;
            const int nfc = numberingOfStyle(style);
            out += "{\\listlevel\\levelnfc";
            out += QByteArray::number(nfc);
            out += "\\levelnfcn";
            out += QByteArray::number(nfc);
            out += "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat";
            out += QByteArray::number(level.style == QTextListFormat::ListStyleUndefined ? 1 : level.start);
            QString text;
            qsizetype placeholder = -1;
            if (isBullet(style)) {
                text = bulletCharacter(style);
            } else {
                text = level.prefix;
                placeholder = text.size();
                text += QChar(char16_t(&level - e.levels.data()));
                text += level.suffix;
            }
            out += "{\\leveltext\\'";
            out += QByteArray::number(int(std::min<qsizetype>(text.size(), 255)), 16).rightJustified(2, '0');
            for (const QChar c : text) {
                if (c.unicode() < kLevels) {
                    out += "\\'0";
                    out += char('0' + c.unicode());
                } else {
                    appendRtfText(out, QStringView(&c, 1));
                }
            }
            out += ";}{\\levelnumbers";
            if (placeholder >= 0) {
                out += "\\'";
                out += QByteArray::number(int(placeholder + 1), 16).rightJustified(2, '0');
            }
            out += ";}\\fi";
            out += QByteArray::number(level.firstLine);
            out += "\\li";
            out += QByteArray::number(level.left);
            out += "\\lin";
            out += QByteArray::number(level.left);
            out += "}\n";
        }
        out += "\\listid";
        out += QByteArray::number(e.id);
        out += "}\n";
    }
    out += "}\n{\\*\\listoverridetable";
    for (const Entry& e : lists_) {
        out += "{\\listoverride\\listid";
        out += QByteArray::number(e.id);
        out += "\\listoverridecount0\\ls";
        out += QByteArray::number(e.id);
        out += '}';
    }
    out += "}\n";
    return out;
}

QByteArray RtfListWriter::paragraphWords(const QTextBlock& block) const
{
    const QTextList* list = block.textList();
    const int entry = list ? entryOf(list) : -1;
    if (entry < 0)
        return {};
    const int level = levelOf(list);
    QByteArray out = "\\ls";
    out += QByteArray::number(lists_[size_t(entry)].id);
    out += "\\ilvl";
    out += QByteArray::number(level);
    if (block.blockFormat().textIndent() == 0) {
        out += "\\fi";
        out += QByteArray::number(lists_[size_t(entry)].levels[size_t(level)].firstLine);
    }
    return out;
}

QByteArray RtfListWriter::listText(const QTextBlock& block)
{
    QTextList* list = block.textList();
    if (!list || entryOf(list) < 0)
        return {};
    // Items are written in order, so each list's count gives the number without searching.
    const QTextListFormat format = list->format();
    const QTextListFormat::Style style = format.style();
    const int number = (format.hasProperty(ListStartAt) ? format.intProperty(ListStartAt) : 1) + counts_[list]++;
    const QString marker = isBullet(style) ? QString(bulletCharacter(style))
                                           : format.numberPrefix() + numberText(number, style) + format.numberSuffix();
    QByteArray out = "{\\listtext\\pard\\plain ";
    appendRtfText(out, marker);
    out += "\\tab}";
    return out;
}

} // namespace platform::rtf
