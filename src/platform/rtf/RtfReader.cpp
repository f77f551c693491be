#include "platform/rtf/RtfParser.h"

namespace platform::rtf {

namespace parsing {

void Parser::run()
{
    stack_.reserve(64);
    stack_.emplace_back();
    ++p_;   // the document group's "{"
    const char* nextReport = p_ + kReportEvery;
    while (p_ < end_ && !stack_.empty()) {
        if (p_ >= nextReport && progress_) {
            nextReport = p_ + kReportEvery;
            if (!progress_(p_ - begin_, end_ - begin_))
                break;
        }
        const char c = *p_;
        if (c == '{') {
            ++p_;
            openGroup();
        } else if (c == '}') {
            ++p_;
            closeGroup();
        } else if (c == '\\') {
            ++p_;
            controlSequence();
        } else if (c == '\r' || c == '\n') {
            ++p_;
        } else {
            const char* start = p_;
            while (p_ < end_ && *p_ != '{' && *p_ != '}' && *p_ != '\\' && *p_ != '\r' &&
                   *p_ != '\n')
                ++p_;
            textBytes(start, p_ - start);
        }
    }
    unclosed_ = !stack_.empty();
    if (!stack_.empty()) {
        if (state().dest == Dest::Picture)
            pictureEnd();   // what was read of it is kept
        flushText();
        builder_.finish(state().para.tableLevel(), endingFormat());
    }
}

QStringList Parser::unkept() const
{
    QStringList words;
    if (unkept_ & UnkeptObjects)
        words << QStringLiteral("embedded objects");
    if (unkept_ & UnkeptHeadersFooters)
        words << QStringLiteral("headers and footers");
    if (unkept_ & UnkeptFootnotes)
        words << QStringLiteral("footnotes");
    if (unkept_ & UnkeptComments)
        words << QStringLiteral("comments");
    if (unkept_ & UnkeptTextBoxes)
        words << QStringLiteral("text boxes");
    return words;
}

void Parser::openGroup()
{
    ucPending_ = 0;
    starPending_ = false;
    if (overflow_ > 0 || int(stack_.size()) >= kMaxGroupDepth) {
        ++overflow_;
        return;
    }
    if (state().upr) {
        static constexpr char kUd[] = "\\*\\ud";
        const qsizetype left = end_ - p_;
        stack_.push_back(state());
        state().upr = false;
        if (left >= 5 && std::memcmp(p_, kUd, 5) == 0 && (left == 5 || !isLetter(p_[5]))) {
            p_ += 5;
            if (p_ < end_ && *p_ == ' ')
                ++p_;
        } else {
            skipRestOfGroup();
        }
        return;
    }
    stack_.push_back(state());
    state().owns = 0;
    state().open = p_ - 1;
    state().shownBefore = shown_;
}

void Parser::closeGroup()
{
    ucPending_ = 0;
    starPending_ = false;
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (state().dest == Dest::FontTable)
        commitFontName();
    if (stack_.size() == 1) {
        // The document group ends: whatever follows it is not part of the document.
        flushText();
        builder_.finish(state().para.tableLevel(), endingFormat());
        stack_.pop_back();
        return;
    }
    const int field = state().field;
    const bool picture = state().dest == Dest::Picture;
    if (state().listText && !stack_[stack_.size() - 2].listText) {
        flushText();
        listTextTo_ = builder_.paragraphLength();
    }
    const std::uint8_t owns = state().owns;
    const char* open = state().open;
    const int font = state().chr.font, uc = state().uc;
    const quint64 shownBefore = state().shownBefore;
    stack_.pop_back();
    if (picture && state().dest != Dest::Picture)
        pictureEnd();
    const QByteArray fromWord = owns & OwnsFromWord ? QByteArray("{").append(QByteArrayView(open, p_ - open))
                                                    : QByteArray();
    const QByteArrayView bytes = owns & OwnsFromWord ? QByteArrayView(fromWord) : QByteArrayView(open, p_ - open);
    if (owns)
        keptGroupEnd(owns, bytes, font, uc, field, shownBefore);
    if (field > 0 && field != state().field)
        fieldEnd(field, bytes, font, uc);
}

void Parser::skipRestOfGroup(bool* content)
{
    int depth = 1;
    while (p_ < end_) {
        const char c = *p_++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0) {
                closeGroup();
                return;
            }
        } else if (c == '\\' && p_ < end_) {
            if (!isLetter(*p_)) {
                if (content && (*p_ == '\'' || *p_ == '\\' || *p_ == '{' || *p_ == '}'))
                    *content = true;
                ++p_;
                continue;
            }
            const char* word = p_;
            while (p_ < end_ && isLetter(*p_))
                ++p_;
            const std::string_view name(word, size_t(p_ - word));
            const bool bin = name == "bin";
            if (content && (name == "u" || name == "pict"))
                *content = true;
            bool hasParam = false;
            const qint64 param = readParameter(hasParam);
            if (bin)
                skipBinary(param);
        } else if (content && c != ' ' && c != '\r' && c != '\n' && c != '\t' && c != ';') {
            *content = true;
        }
    }
    // The data ends inside the group: the document ends here.
    overflow_ = 0;
}

void Parser::skipNoting(std::uint8_t what)
{
    bool content = false;
    skipRestOfGroup(&content);
    if (content)
        unkept_ |= what;
}

void Parser::pictureStart()
{
    flushText();
    state().dest = Dest::Picture;
    picture_ = Picture();
    nibble_ = -1;
}

void Parser::pictureWord(std::string_view word, bool hasParam, qint64 value)
{
    if (word == "bin") {
        // Raw bytes follow the word's delimiting space; a length past the end takes the rest.
        if (value > 0) {
            const qint64 n = std::min<qint64>(value, end_ - p_);
            picture_.data.append(p_, qsizetype(n));
            p_ += n;
        }
        return;
    }
    if (!isPictureWord(word))
        return;
    picture_.keywords += '\\';
    picture_.keywords.append(word.data(), qsizetype(word.size()));
    if (hasParam)
        picture_.keywords += QByteArray::number(value);
}

void Parser::pictureHex(const char* data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        const int v = hexValue(data[i]);
        if (v < 0)
            continue;
        if (nibble_ < 0) {
            nibble_ = v;
        } else {
            picture_.data += char(nibble_ * 16 + v);
            nibble_ = -1;
        }
    }
}

void Parser::pictureEnd()
{
    if (state().objectResult && !objectPicture_) {
        objectPicture_ = std::make_unique<Picture>(std::move(picture_));   // shown with its object
        picture_ = Picture();
        return;
    }
    flushText();
    ++shown_;
    bodyStarted_ = true;
    builder_.addRun(QString(QChar::ObjectReplacementCharacter),
                    pictureFormat(charFormat(state().chr), picture_, pictureName()));
    picture_ = Picture();
    ++pictures_;
    if (state().dest == Dest::Shape)
        shapeShown_ = true;
}

QString Parser::pictureName()
{
    static std::atomic<quint64> names{0};
    return QStringLiteral("quiple-picture:%1").arg(++names);
}

KeptEncoder::Tables Parser::keptTables()
{
    return {[this](int font) {
                const auto it = fonts_.find(font);
                return it == fonts_.end() ? QString() : it->second.name;
            },
            [this](int font) { return codePageOf(font); },
            [this](int index) {
                return index > 0 && size_t(index) < colors_.size() ? colors_[size_t(index)] : QColor();
            }};
}

void Parser::keepGroup(bool documentKind, std::uint8_t what, const QString& label)
{
    GroupState& s = state();
    if (s.dest != Dest::Text || s.listText || overflow_ > 0 || stack_.size() < 2) {
        skipNoting(what);
        return;
    }
    keptFromHere(s);
    const std::uint8_t owns = s.owns;
    const char* open = s.open;
    const int font = s.chr.font, uc = s.uc;
    skipRestOfGroup();
    const QByteArrayView bytes(open, p_ - open);
    const QByteArray fromWord = owns & OwnsFromWord ? QByteArray("{").append(bytes) : QByteArray();
    keepBytes(owns & OwnsFromWord ? QByteArrayView(fromWord) : bytes, documentKind, font, uc, label);
}

void Parser::keptFromHere(GroupState& s)
{
    if ((s.shownBefore == shown_ && !(s.owns & OwnsFromWord)) || stack_.size() < 2)
        return;   // the document group itself is never kept
    s.owns |= OwnsFromWord;
    const char* word = wordBytes_.data();
    s.open = word - begin_ >= 2 && word[-1] == '*' && word[-2] == '\\' ? word - 2 : word;
}

void Parser::keepBytes(QByteArrayView bytes, bool documentKind, int font, int uc, const QString& label)
{
    if (state().insideKept)
        return;   // written with the shape or object around it
    if (documentKind && !bodyStarted_) {
        kept_.keepInDocument(bytes, font, uc);
        return;
    }
    if (!pendingText_.isEmpty() || !pendingBytes_.isEmpty())
        flushText();   // the text before it; groups that follow each other make one marker
    ++shown_;
    if (!kept_.hasMarker()) {
        markerProps_ = state().chr;
        markerProps_.vertical = 0;   // what is typed after a footnote mark is not raised
        markerProps_.keptField = 0;
    }
    kept_.keepHere(bytes, font, uc, label);
}

} // namespace parsing

namespace {

using parsing::Parser;

// Where the document group starts: after an optional byte-order mark and white space.
qsizetype rtfStart(const QByteArray& data)
{
    qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return QByteArrayView(data).sliced(i).startsWith("{\\rtf") ? i : -1;
}

} // namespace

bool RtfReader::looksLikeRtf(const QByteArray& head)
{
    return head.startsWith("{\\rtf");
}

bool RtfReader::read(const QByteArray& rtf, QTextDocument& document, QString* warning,
                     const Progress& progress, QStringList* unkept)
{
    if (warning)
        warning->clear();
    if (unkept)
        unkept->clear();
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    const qsizetype start = rtfStart(rtf);
    if (start < 0) {
        document.setUndoRedoEnabled(undo);
        if (warning)
            *warning = QStringLiteral("The data is not rich text: it does not start with {\\rtf.");
        return false;
    }
    bool unclosed = false;
    {
        const QByteArray body = start == 0 ? rtf : rtf.sliced(start);
        QTextCursor edit(&document);
        edit.beginEditBlock();
        Parser parser(body, document, progress);
        parser.run();
        parser.joinLists(document);
        unclosed = parser.unclosed();
        edit.endEditBlock();
        if (parser.sawPictures())
            providePictureImages(document);
        if (unkept)
            *unkept = parser.unkept();
        setDocumentKept(document, parser.keptDocument());
    }
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
    if (unclosed && warning)
        *warning = QStringLiteral("The rich text ends early (a group is not closed); "
                                  "everything up to that point was read.");
    return true;
}

} // namespace platform::rtf
