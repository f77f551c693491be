#include "platform/rtf/LongRuns.h"

#include "platform/rtf/ParagraphPieces.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QVariant>

namespace platform {

namespace {

// Spaces and tabs always allow a break after them; the line-break rules are consulted only
// between them, where kLongRun characters or more go without one.
bool isPlainBreak(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool runWithoutBreak(QStringView text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text.data(), text.size());
    qsizetype last = 0;
    for (qsizetype at = finder.toNextBoundary(); at >= 0; at = finder.toNextBoundary()) {
        if (at - last >= kLongRun)
            return true;
        last = at;
    }
    return text.size() - last >= kLongRun;
}

void keepLongLayouts(const QTextDocument& document)
{
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.length() > kLongRun)
            b.layout()->setCacheEnabled(true);
    }
}

QTextOption::WrapMode wrapFor(const QTextDocument& document)
{
    return hasLongUnbreakableRun(document) ? QTextOption::WrapAnywhere : kWordWrap;
}

void showUnshaped(const QTextBlock& block)
{
    QTextCharFormat unshaped;
    unshaped.setFontStyleStrategy(QFont::PreferNoShaping);
    QTextCursor paragraph(block);
    paragraph.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    paragraph.mergeCharFormat(unshaped);
}

bool isUnshaped(const QTextBlock& block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (!(it.fragment().charFormat().fontStyleStrategy() & QFont::PreferNoShaping))
            return false;
    }
    return true;
}

} // namespace

bool hasLongUnbreakableRun(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype from = 0;
    while (n - from >= kLongRun) {
        qsizetype to = from;
        while (to < n && !isPlainBreak(text[to]))
            ++to;
        if (to - from >= kLongRun && runWithoutBreak(text.sliced(from, to - from)))
            return true;
        from = to + 1;
    }
    return false;
}

bool hasLongUnbreakableRun(const QTextDocument& document)
{
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.length() > kLongRun && hasLongUnbreakableRun(b.text()))
            return true;
    }
    return false;
}

void showLongParagraphsUnshaped(QTextDocument& document)
{
    showLongParagraphsUnshaped(document, 0, document.characterCount() - 1);
}

void showLongParagraphsUnshaped(QTextDocument& document, int from, int to)
{
    const QTextBlock last = document.findBlock(to);
    for (QTextBlock b = document.findBlock(from); b.isValid(); b = b.next()) {
        if (b.length() > kUnshapedParagraph && !isUnshaped(b))
            showUnshaped(b);
        if (b == last)
            break;
    }
}

// Set on a document whose wrap chooseWrapAhead chose; showing it takes that choice.
constexpr char kWrapChosen[] = "wrapChosenAhead";

void chooseWrapAhead(QTextDocument& document, qreal tabStop)
{
    // Nothing is laid out before a view gives the document its width: every full layout of a
    // long document walks all its paragraphs, and the view starts one anyway.
    document.setPageSize(QSizeF(0, 0));
    // One walk over the paragraphs, a million in a long table: only long ones are looked at.
    // Those held in pieces are unshaped whole first.
    bool unbreakable = false;
    std::vector<QTextBlock> longOnes;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.length() <= kLongRun)
            continue;
        b.layout()->setCacheEnabled(true);
        if (b.length() > kUnshapedParagraph)
            showUnshaped(b);
        longOnes.push_back(b);
        unbreakable = unbreakable || hasLongUnbreakableRun(b.text());
    }
    holdLongParagraphsInPieces(document, longOnes);
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(unbreakable ? QTextOption::WrapAnywhere : kWordWrap);
    if (tabStop > 0)
        option.setTabStopDistance(tabStop);
    document.setDefaultTextOption(option);
    document.setProperty(kWrapChosen, true);
}

void showWithWrap(QTextEdit& view, QTextDocument& document)
{
    QTextOption option = document.defaultTextOption();
    QTextOption::WrapMode mode = option.wrapMode();
    if (document.property(kWrapChosen).toBool()) {
        document.setProperty(kWrapChosen, QVariant()); // chosen for the text as it was read
    } else {
        mode = wrapFor(document);
        keepLongLayouts(document);
    }
    // The view lays the document out with the document's own option first, then with its own
    // mode: both are the chosen one. Until the view gives it a width the document lays out each
    // paragraph as one line, in linear time whatever the mode. The tab stops are set here too, as
    // each change of the option lays the whole document out again.
    const qreal tabStop = view.tabStopDistance();
    if (option.wrapMode() != mode || option.tabStopDistance() != tabStop) {
        option.setWrapMode(mode);
        option.setTabStopDistance(tabStop);
        document.setDefaultTextOption(option);
    }
    if (mode == QTextOption::WrapAnywhere) {
        // The document shown now is laid out again wrapping anywhere: linear whatever it holds.
        view.setWordWrapMode(mode);
        view.setDocument(&document);
    } else {
        // The new document may be laid out wrapping anywhere for a moment, which it can afford,
        // and the old one is never laid out word by word.
        view.setDocument(&document);
        view.setWordWrapMode(mode);
    }
}

void chooseWrapFor(QTextEdit& view)
{
    QTextDocument* document = view.document();
    keepLongLayouts(*document);
    view.setWordWrapMode(wrapFor(*document));
}

void chooseWrapBeforeInsert(QTextEdit& view, const QTextCursor& at, QStringView text)
{
    if (view.wordWrapMode() == QTextOption::WrapAnywhere || at.isNull())
        return;
    // A run the insert makes lies in the text or joins it to the kLongRun characters either
    // side of the selection.
    const QTextBlock first = at.document()->findBlock(at.selectionStart());
    const QTextBlock last = at.document()->findBlock(at.selectionEnd());
    const qsizetype start = at.selectionStart() - first.position();
    const qsizetype end = at.selectionEnd() - last.position();
    if (start + text.size() + (last.length() - 1 - end) < kLongRun)
        return;
    const QString before = first.text();
    const QString after = last.text();
    const qsizetype from = std::max<qsizetype>(0, start - kLongRun);
    QString around = QStringView(before).sliced(from, start - from).toString();
    around += text;
    around += QStringView(after).sliced(end, std::min<qsizetype>(kLongRun, after.size() - end));
    if (hasLongUnbreakableRun(around))
        view.setWordWrapMode(QTextOption::WrapAnywhere);
}

} // namespace platform
