// The plain-text store: files back byte for byte, edits checked against a plain string, undo and redo.
#include "MainFixture.h"
#include "platform/text/TextFiles.h"
#include "platform/text/TextStore.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using platform::TextStore;
using LineBreak = platform::TextFormat::LineBreak;

class tst_textstore : public QObject {
    Q_OBJECT
private slots:
    void filesComeBackByteForByte_data();
    void filesComeBackByteForByte();
    void rawTextComesBackWhole_data();
    void rawTextComesBackWhole();
    void breaksBroughtTogetherStayTwo();
    void partsOfAReadJoinAsTheWholeRead();
    void randomEditsMatchAPlainString_data();
    void randomEditsMatchAPlainString();
    void findCrossesEveryLeaf_data();
    void findCrossesEveryLeaf();
    void longStepsGoBackAndForthWhole();
};

namespace {

// latin: only characters below U+0100, which the store holds in one byte each.
QString randomText(QRandomGenerator& random, int size, bool latin = false)
{
    static const QString mixed = QStringLiteral("ab cd\n\nxyz\u00e9\u2028\U0001F600\t.");
    static const QString latinOnly = QStringLiteral("ab cd\n\nxyz\u00e9\u00ff\t.");
    const QString& alphabet = latin ? latinOnly : mixed;
    QString out;
    while (out.size() < size) {
        const qsizetype at = random.bounded(alphabet.size());
        // The emoji is a surrogate pair: take both halves or the letter after it.
        if (alphabet[at].isHighSurrogate())
            out += alphabet.mid(at, 2);
        else if (!alphabet[at].isLowSurrogate())
            out += alphabet[at];
    }
    return out;
}

// Compares everything a caller can read with the model.
bool agrees(const TextStore& store, const QString& model)
{
    if (!store.isConsistent() || store.length() != model.size() || store.text() != model)
        return false;
    QList<qsizetype> starts{0}; // the lines, by the plain string's own reckoning
    for (qsizetype at = model.indexOf(u'\n'); at >= 0; at = model.indexOf(u'\n', at + 1))
        starts << at + 1;
    if (store.lineCount() != starts.size())
        return false;
    QRandomGenerator random(uint(model.size()));
    for (int k = 0; k < 20; ++k) {
        const qsizetype line = random.bounded(int(starts.size()));
        const qsizetype end = line + 1 < starts.size() ? starts[line + 1] - 1 : model.size();
        if (store.lineStart(line) != starts[line] || store.lineLength(line) != end - starts[line])
            return false;
        QString scratch;
        if (store.lineText(line, &scratch) != QStringView(model).sliced(starts[line], end - starts[line]))
            return false;
        const qsizetype offset = random.bounded(int(model.size() + 1));
        const qsizetype expected = std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin() - 1;
        if (store.lineOf(offset) != expected)
            return false;
        // A search in letters of another case, from a place before it.
        const QString piece = model.mid(offset, 3).toUpper();
        if (!piece.isEmpty() && std::none_of(piece.begin(), piece.end(), [](QChar c) { return c.isSurrogate(); })
            && store.find(piece, offset / 2, -1, Qt::CaseInsensitive) != model.indexOf(piece, offset / 2, Qt::CaseInsensitive))
            return false;
    }
    return true;
}

} // namespace

void tst_textstore::filesComeBackByteForByte_data()
{
    using E = platform::TextFormat::Encoding;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("text");   // line breaks as "\n"
    const auto lf = [](QString s) { return s.replace(u"\r\n"_qs, u"\n"_qs).replace(u'\r', u'\n'); };
    // Windows-1252: bytes 0x80..0x9F, its five undefined ones as the C1 controls of their number.
    const QString high = u"€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ"_qs;
    QByteArray everyByte;
    QString everyChar;
    for (int i = 0; i < 3 * 256; ++i) {
        everyByte += char(i % 256);
        everyChar += i % 256 >= 0x80 && i % 256 < 0xA0 ? high[i % 256 - 0x80] : QChar(i % 256);
    }
    const QString mixed = QStringLiteral(u"a\r\n\u00e9\n\U0001F600\rb\u2028c\u2029\ufdd0\ufdd1\0\r\n\r\n\r");
    const auto utf16 = [&](bool little) {
        QByteArray out(little ? "\xFF\xFE" : "\xFE\xFF");
        for (const QChar c : mixed) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
            out += little ? lo : hi;
            out += little ? hi : lo;
        }
        return out;
    };
    QTest::newRow("UTF-8, mixed breaks") << mixed.toUtf8() << int(E::Utf8) << lf(mixed);
    QTest::newRow("UTF-8 with BOM, then a BOM that is text")
        << "\xEF\xBB\xBF\xEF\xBB\xBFx\r\n" + mixed.toUtf8() << int(E::Utf8Bom) << u"\uFEFFx\n"_qs + lf(mixed);
    QTest::newRow("UTF-16 LE") << utf16(true) << int(E::Utf16LE) << lf(mixed);
    QTest::newRow("UTF-16 BE") << utf16(false) << int(E::Utf16BE) << lf(mixed);
    QTest::newRow("UTF-16 with a lone surrogate")
        << QByteArray("\xFF\xFE" "a\0\x00\xD8" "b\0\r\0\n\0", 12) << int(E::Utf16LE) << u"a"_qs + QChar(0xD800) + u"b\n"_qs;
    QTest::newRow("odd length after a UTF-16 mark") << QByteArray("\xFF\xFE" "abc") << int(E::Windows1252)
                                                    << u"\u00FF\u00FEabc"_qs;
    QTest::newRow("invalid UTF-8") << QByteArray("caf\xE9\r\nna\xEFve\n\x80\x9D\r") << int(E::Windows1252)
                                   << u"café\nnaïve\n€\u009D\n"_qs;
    QTest::newRow("a UTF-8 mark, then bytes that are not UTF-8") << QByteArray("\xEF\xBB\xBF" "caf\xE9\r\nx\n")
                                                                << int(E::Windows1252) << u"\u00EF\u00BB\u00BFcaf\u00E9\nx\n"_qs;
    QTest::newRow("cut UTF-8 at the end") << QByteArray("abc\xE2\x82") << int(E::Windows1252) << u"abcâ‚"_qs;
    QTest::newRow("every byte") << everyByte << int(E::Windows1252) << lf(everyChar);
    QTest::newRow("empty") << QByteArray() << int(E::Utf8) << QString();
    // Files of sixteen pieces or more are read as two halves at once, which meet after a line feed.
    QTest::newRow("UTF-8 read in two halves") << mixed.toUtf8().repeated(12) << int(E::Utf8)
                                              << lf(mixed.repeated(12));
    const QByteArray halves = QByteArray("a\r\n").repeated(60) + QByteArray("\xC3\xA9\n").repeated(60);
    QTest::newRow("two halves, CR LF breaks then LF ones") << halves << int(E::Utf8)
                                                           << lf(QString::fromUtf8(halves));
    QTest::newRow("two halves after a BOM") << "\xEF\xBB\xBF" + halves << int(E::Utf8Bom)
                                            << lf(QString::fromUtf8(halves));
    QTest::newRow("two halves, the second not UTF-8") << halves + "\xE9\n" << int(E::Windows1252)
                                                      << lf(QString::fromLatin1(halves + "\xE9\n"));
}

void tst_textstore::filesComeBackByteForByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, text);
    // Read in pieces of every small size, so that characters, surrogate pairs and CR LF are cut
    // at every place; the bytes come back as they were.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"file.txt"_qs);
    writeFile(path, bytes);
    for (const qsizetype piece : {3, 4, 5, 7, 64 * 1024}) {
        TextStore store;
        const platform::TextFormat format = platform::decodeFileInto(path, store, {}, piece);
        QCOMPARE(int(format.encoding), encoding);
        QCOMPARE(store.text(), text);
        QCOMPARE(platform::encodeText(store.snapshot(), format), bytes);
        // Read again in the encoding found, as the user may choose it, the same text comes back.
        TextStore again;
        QCOMPARE(platform::decodeFileAs(path, again, format, {}, piece), format);
        QCOMPARE(again.text(), text);
        // Read as a big file is: its start at once, then the rest in parts (here as small as can
        // be), each appended as it comes. A file whose rest is not UTF-8 after a start that is
        // says so; it is then read again whole, byte for character.
        for (const qint64 head : {4, 5, 9, 64 * 1024}) {
            platform::FileStart start = platform::readFileStart(path, head);
            TextStore& read = *start.store;
            std::atomic<qint64> done{0};
            const auto how = platform::readFileRest(
                path, start.restFrom, start.format.encoding,
                [&](std::unique_ptr<TextStore> part) {
                    QVERIFY(part->endsWhole());
                    read.appendRead(std::move(*part));
                },
                [] { return true; }, done, piece, 2);
            if (how == platform::RestRead::NotValid) {
                QCOMPARE(encoding, int(platform::TextFormat::Encoding::Windows1252));
                continue;
            }
            QCOMPARE(int(how), int(platform::RestRead::Whole));
            QCOMPARE(int(start.format.encoding), encoding);
            QCOMPARE(read.text(), text);
            QVERIFY(read.isConsistent());
            QCOMPARE(platform::encodeText(read.snapshot(), start.format), bytes);
            QCOMPARE(done.load() + start.restFrom, qint64(bytes.size()));
        }
    }
}

void tst_textstore::rawTextComesBackWhole_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<int>("style"); // of the document: the first break's
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "" << int(LineBreak::LF) << "";
    QTest::newRow("no break") << "abc" << int(LineBreak::LF) << "abc";
    QTest::newRow("CRLF") << "a\r\nb\r\n" << int(LineBreak::CRLF) << "a\nb\n";
    QTest::newRow("CR alone") << "a\rb" << int(LineBreak::CR) << "a\nb";
    QTest::newRow("mixed") << "a\nb\r\nc\rd\n\r\n" << int(LineBreak::LF) << "a\nb\nc\nd\n\n";
    QTest::newRow("CR then LF apart") << "\r\r\n\n\r" << int(LineBreak::CR) << "\n\n\n\n";
    QTest::newRow("separators stay characters")
        << QStringLiteral(u"a\u2028b\u2029c\ufdd0\ufdd1\0d\r\n") << int(LineBreak::CRLF)
        << QStringLiteral(u"a\u2028b\u2029c\ufdd0\ufdd1\0d\n");
}

void tst_textstore::rawTextComesBackWhole()
{
    QFETCH(QString, raw);
    QFETCH(int, style);
    QFETCH(QString, text);
    // Whole, and in pieces cut at every place (a "\r" may end one piece and "\n" start the next).
    for (qsizetype cut = 0; cut <= raw.size(); ++cut) {
        TextStore store;
        store.beginRaw(LineBreak::LF);
        store.appendRaw(QStringView(raw).left(cut));
        store.appendRaw(QStringView(raw).sliced(cut));
        store.finishRaw();
        QCOMPARE(store.text(), text);
        QCOMPARE(int(store.lineBreak()), style);
        QCOMPARE(store.snapshot().rawText(), raw);
        QVERIFY(store.isConsistent());
    }
    // A break typed into a mixed file takes the first break's style; the others keep theirs.
    TextStore store;
    store.setRawText(raw, LineBreak::LF);
    store.insert(store.length(), u"\nz");
    const QString typed = raw + (style == int(LineBreak::CRLF) ? "\r\nz"
                                 : style == int(LineBreak::CR) ? "\rz" : "\nz");
    QCOMPARE(store.snapshot().rawText(), typed);
    // Removing a break and undoing it brings back its own style.
    if (text.contains(u'\n')) {
        store.remove(0, text.lastIndexOf(u'\n') + 1);
        QVERIFY(store.undo());
        QCOMPARE(store.snapshot().rawText(), typed);
    }
    // Read back with another style for typed breaks (a recovered copy): no break changes.
    TextStore again;
    again.setRawText(raw, LineBreak::LF);
    again.setTypedLineBreak(LineBreak::CR);
    QCOMPARE(again.snapshot().rawText(), raw);
    again.insert(again.length(), u"\n");
    QCOMPARE(again.snapshot().rawText(), raw + "\r");
    QVERIFY(again.isConsistent());
}

void tst_textstore::breaksBroughtTogetherStayTwo()
{
    // Deleting what stands between a CR break and an LF break must not make one CR LF of them,
    // wherever the leaves are cut; a CR break before a CR LF break is two breaks already.
    for (const qsizetype between : {1, 9000, 40000, 70000}) {
        TextStore store;
        const QString gap(between, u'b');
        store.setRawText(QString("a\r" + gap + "\nc\n" + gap + "\r\nd"), LineBreak::LF);
        store.remove(2, between);
        store.remove(store.text().indexOf(u'\n', 4) + 1, between);
        const QString raw = store.snapshot().rawText();
        QCOMPARE(raw, QString("a\r\rc\n\r\nd"));
        TextStore again;
        again.setRawText(raw, LineBreak::LF);
        QCOMPARE(again.text(), QString("a\n\nc\n\nd"));
        QVERIFY(store.undo() && store.undo());
        QCOMPARE(store.snapshot().rawText(), QString("a\r" + gap + "\nc\n" + gap + "\r\nd"));
    }
}

void tst_textstore::partsOfAReadJoinAsTheWholeRead()
{
    // A file read beside the window arrives in parts cut anywhere but inside a CR LF or a
    // surrogate pair: in the middle of a line, of a leaf, before a part's first break of another
    // style than the document's. Joined, they read as the file read whole; whoever follows the
    // lines is told of every one; undo holds nothing of them.
    QRandomGenerator random(20261207);
    static const QString pieces[] = {u"\r\n"_qs, u"\n"_qs, u"\r"_qs, u"ab "_qs, u"\U0001F600"_qs, u"\u00e9x"_qs};
    for (int round = 0; round < 40; ++round) {
        QString raw;
        const int size = round % 4 == 0 ? 90000 : 3000; // several leaves a part, or a few parts a leaf
        while (raw.size() < size) {
            const QString& piece = pieces[random.bounded(int(std::size(pieces)))];
            raw += round % 5 == 0 && piece.startsWith(u'\r') ? u"\n"_qs : piece; // some all LF
        }
        TextStore whole;
        whole.setRawText(raw, LineBreak::LF);
        std::vector<qsizetype> cuts{0};
        while (cuts.back() < raw.size()) {
            qsizetype cut = std::min(raw.size(), cuts.back() + 1 + random.bounded(size / 3));
            while (cut < raw.size() && (raw[cut - 1] == u'\r' || raw[cut - 1].isHighSurrogate()))
                ++cut;
            cuts.push_back(cut);
        }
        TextStore read;
        read.setRawText(QStringView(raw).first(cuts[1]), LineBreak::LF);
        qsizetype lines = read.lineCount();
        read.setLineWatcher([&](qsizetype first, qsizetype removed, qsizetype added) {
            QCOMPARE(first, lines - 1); // only the last line grows; the rest are new
            lines += added - removed;
        });
        for (size_t k = 1; k + 1 < cuts.size(); ++k) {
            auto part = std::make_unique<TextStore>();
            part->setRawText(QStringView(raw).sliced(cuts[k], cuts[k + 1] - cuts[k]), LineBreak::LF);
            QVERIFY(part->endsWhole());
            read.appendRead(std::move(*part));
        }
        QVERIFY2(agrees(read, whole.text()), qPrintable(QStringLiteral("round %1").arg(round)));
        QCOMPARE(lines, whole.lineCount());
        QCOMPARE(int(read.lineBreak()), int(whole.lineBreak()));
        QCOMPARE(read.snapshot().rawText(), raw);
        QVERIFY(!read.canUndo());
        // A break typed at the end takes the document's style, as in the file read whole.
        read.insert(read.length(), u"\n");
        whole.insert(whole.length(), u"\n");
        QCOMPARE(read.snapshot().rawText(), whole.snapshot().rawText());
    }
    TextStore ended;
    ended.setRawText(u"a\r"_qs, LineBreak::LF);
    QVERIFY(ended.endsWhole()); // a finished read's last CR is a break
    ended.beginRaw(LineBreak::LF);
    ended.appendRaw(u"b\r");
    QVERIFY(!ended.endsWhole());
    ended.appendRaw(u"\n\U0001F600");
    QVERIFY(ended.endsWhole());
}

void tst_textstore::randomEditsMatchAPlainString_data()
{
    QTest::addColumn<bool>("latin");
    QTest::newRow("text of every kind") << false;
    // Leaves of one byte a character, widened by the edits that bring in wider characters.
    QTest::newRow("Latin-1 text") << true;
}

void tst_textstore::randomEditsMatchAPlainString()
{
    QFETCH(bool, latin);
    // Big enough for several leaves, so edits split, join and empty them and cross their seams;
    // the breaks mix styles, and each must keep its own through every edit and undo. (No lone CR
    // here: one before an LF would read back as a single CRLF, in any editor.)
    QRandomGenerator random(20261206);
    QString model = randomText(random, 70000, latin);
    QList<LineBreak> kinds; // of each break, in order
    for (qsizetype i = 0; i < model.count(u'\n'); ++i)
        kinds << (random.bounded(2) ? LineBreak::CRLF : LineBreak::LF);
    const LineBreak style = kinds.isEmpty() ? LineBreak::LF : kinds.first();
    const auto rawOf = [&] {
        QString raw;
        raw.reserve(model.size() * 2);
        qsizetype from = 0, k = 0;
        for (qsizetype at; (at = model.indexOf(u'\n', from)) >= 0; from = at + 1) {
            raw.append(QStringView(model).sliced(from, at - from));
            raw.append(kinds[k++] == LineBreak::CRLF ? u"\r\n" : u"\n");
        }
        return raw.append(QStringView(model).sliced(from));
    };
    TextStore store;
    const QString firstRaw = rawOf();
    store.setRawText(firstRaw, LineBreak::LF);
    // Latin-1 text is held in a byte a character, or in two (UTF-16) when a leaf holds more.
    QVERIFY(latin ? store.heldBytes() == store.length() : store.heldBytes() > store.length() * 3 / 2);
    const TextStore::Snapshot first = store.snapshot();
    QVERIFY(store.leafStarts().size() > 2);
    QList<size_t> states{qHash(rawOf())};
    // What each edit does to the model: the text and the styles of its breaks.
    const auto edit = [&](qsizetype at, qsizetype count, const QString& text) {
        const qsizetype firstBreak = QStringView(model).left(at).count(u'\n');
        kinds.remove(firstBreak, QStringView(model).sliced(at, count).count(u'\n'));
        kinds.insert(firstBreak, text.count(u'\n'), style);
        model.replace(at, count, text);
    };
    for (int step = 0; step < 200; ++step) {
        if (random.bounded(6) == 0) {
            // Many ranges of one length at once, as Replace All makes them; the end of the
            // text too, when they are only places to insert at.
            const qsizetype length = random.bounded(4);
            const QString by = randomText(random, random.bounded(length == 0 ? 1 : 0, 4)).left(3);
            std::vector<qsizetype> ranges;
            for (qsizetype p = random.bounded(50); p + length <= model.size(); p += length + random.bounded(1, 3000))
                ranges.push_back(p);
            if (length == 0 && (ranges.empty() || ranges.back() < model.size()))
                ranges.push_back(model.size());
            store.replaceEach(ranges, length, by);
            for (auto it = ranges.rbegin(); it != ranges.rend(); ++it)
                edit(*it, length, by);
            QVERIFY2(agrees(store, model), qPrintable(QStringLiteral("after step %1, at once").arg(step)));
            states << qHash(rawOf());
            continue;
        }
        const qsizetype at = random.bounded(int(model.size() + 1));
        const int kind = random.bounded(10);
        const qsizetype count = kind < 4 ? 0
                                : std::min<qsizetype>(model.size() - at,
                                                      kind == 4 ? 35000 : random.bounded(12));
        const QString text = kind == 0 ? randomText(random, 40000)
                             : (kind < 4 || kind >= 8) ? randomText(random, random.bounded(1, 6))
                                                       : QString();
        if (count == 0)
            store.insert(at, text, kind == 3);
        else
            store.replace(at, count, text);
        edit(at, count, text);
        QVERIFY2(agrees(store, model), qPrintable(QStringLiteral("after step %1").arg(step)));
        states << qHash(rawOf());
    }
    QCOMPARE(store.snapshot().rawText(), rawOf());
    // Back through every state and forward again; typed runs may have joined some steps.
    qsizetype seen = states.size() - 1;
    while (store.undo()) {
        const size_t now = qHash(store.snapshot().rawText());
        while (seen > 0 && states[seen] != now)
            --seen;
        QVERIFY2(states[seen] == now, "undo reached a state that never was");
        QVERIFY(store.isConsistent());
    }
    QCOMPARE(qHash(store.snapshot().rawText()), states.first());
    while (store.redo()) {
    }
    QCOMPARE(store.snapshot().rawText(), rawOf());
    QVERIFY(agrees(store, model));
    QCOMPARE(first.rawText(), firstRaw); // a snapshot stays as it was, whatever follows
    QVERIFY(store.undo()); // a new edit ends the redo history
    store.insert(0, u"x");
    QVERIFY(!store.canRedo());
}

void tst_textstore::longStepsGoBackAndForthWhole()
{
    // A Replace All is one step of thousands of changes through many leaves; some add breaks,
    // some take them away, and the file's CR LF breaks stay as they were.
    QRandomGenerator random(20261207);
    const QString start = randomText(random, 200000);
    QString raw = start;
    raw.replace(u'\n', u"\r\n"_qs);
    TextStore store;
    store.setRawText(raw, LineBreak::LF);
    QVERIFY(store.leafStarts().size() > 5);
    enum Way { Forward, Backwards, AtOnce };
    const auto replaceAll = [&](const QString& found, const QString& by, Way way) {
        QString model = store.text();
        std::vector<qsizetype> at;
        for (qsizetype i = model.indexOf(found); i >= 0; i = model.indexOf(found, i + found.size()))
            at.push_back(i);
        store.beginGroup();
        if (way == Backwards) {   // changes that do not follow one another through the text
            for (auto it = at.rbegin(); it != at.rend(); ++it)
                store.replace(*it, found.size(), by);
        } else if (way == Forward) {
            qsizetype shift = 0;
            for (qsizetype i : at) {
                store.replace(i + shift, found.size(), by);
                shift += by.size() - found.size();
            }
        } else {
            // In stretches of 30,000 characters, each rewritten at once, as the editor does.
            const qsizetype change = by.size() - found.size();
            qsizetype done = 0;
            for (auto first = at.begin(); first != at.end();) {
                const auto last = std::find_if(first, at.end(), [&](qsizetype i) { return i >= *first + 30000; });
                std::vector<qsizetype> stretch;
                for (auto it = first; it != last; ++it)
                    stretch.push_back(*it + done * change);
                store.replaceEach(stretch, found.size(), by);
                done += last - first;
                first = last;
            }
        }
        store.endGroup();
        return at.size() > 1000 ? model.replace(found, by) : QString();
    };
    for (const Way way : {Forward, Backwards, AtOnce}) {
        const QString before = store.snapshot().rawText();
        const QString model = store.text();
        const QString after = replaceAll(u"d"_qs, u"[\n\n]"_qs, way);
        QVERIFY(!after.isEmpty());
        QVERIFY(agrees(store, after));
        const QString afterRaw = store.snapshot().rawText();
        QVERIFY(store.undo());
        QVERIFY(agrees(store, model));
        QCOMPARE(store.snapshot().rawText(), before);
        QVERIFY(store.redo());
        QVERIFY(agrees(store, after));
        QCOMPARE(store.snapshot().rawText(), afterRaw);
        QVERIFY(store.undo());
        const QString shorter = replaceAll(u"b"_qs, QString(), way);   // and take away
        QVERIFY(!shorter.isEmpty());
        QVERIFY(store.undo());
        QVERIFY(store.redo());
        QVERIFY(agrees(store, shorter));
        QVERIFY(store.undo());
        QCOMPARE(store.snapshot().rawText(), before);
    }
    // Matches that differ (as a search that ignores case finds them) each come back as they were.
    const QString before = store.snapshot().rawText();
    store.beginGroup();
    const QString model = store.text();
    for (qsizetype i = 0; i < model.size(); ++i) {
        if (model[i] == u'a' || model[i] == u'b')
            store.replace(i, 1, u"Q");
    }
    store.endGroup();
    QVERIFY(store.undo());
    QCOMPARE(store.snapshot().rawText(), before);
    std::vector<qsizetype> ab;
    for (qsizetype i = 0; i < model.size(); ++i) {
        if (model[i] == u'a' || model[i] == u'b')
            ab.push_back(i);
    }
    store.replaceEach(ab, 1, u"Q");
    QVERIFY(store.undo());
    QCOMPARE(store.snapshot().rawText(), before);

    // Ranges across the seams of leaves and over breaks of every style, the first a break of
    // another style than the rest, so that no two hold the same: each gets its own text and its
    // own breaks back.
    QString mixed = u"\r"_qs + randomText(random, 150000);
    for (qsizetype i = mixed.indexOf(u'\n'); i >= 0; i = mixed.indexOf(u'\n', i + 1)) {
        if (i % 3 == 0)
            mixed.replace(i, 1, u"\r"_qs);
        else if (i % 3 == 1)
            mixed.insert(i++, u'\r');
    }
    store.setRawText(mixed, LineBreak::LF);
    const QString mixedModel = store.text();
    // One range across each seam, others between them.
    std::vector<qsizetype> ranges;
    const std::vector<qsizetype> seams = store.leafStarts();
    QVERIFY(seams.size() > 3);
    for (size_t k = 1; k <= seams.size(); ++k) {
        const qsizetype across = k < seams.size() ? seams[k] - 3 : mixedModel.size() - 7;
        for (qsizetype i = ranges.empty() ? 0 : ranges.back() + 7; i + 7 <= across; i += 7 + random.bounded(60))
            ranges.push_back(i);
        ranges.push_back(across);
    }
    QString expected;
    qsizetype done = 0;
    for (qsizetype i : ranges) {
        expected += QStringView(mixedModel).sliced(done, i - done);
        expected += u"<\n>"_qs;
        done = i + 7;
    }
    expected += QStringView(mixedModel).sliced(done);
    store.replaceEach(ranges, 7, u"<\n>");
    QVERIFY(agrees(store, expected));
    QVERIFY(store.undo());
    QVERIFY(agrees(store, mixedModel));
    QCOMPARE(store.snapshot().rawText(), mixed);
    QVERIFY(store.redo());
    QVERIFY(agrees(store, expected));

    // Long removals, from within a leaf to within another and of everything (Select All and a
    // key), come back with every break in its style, and go again.
    QVERIFY(store.undo());
    for (const auto& [from, count] : {std::pair<qsizetype, qsizetype>{5001, 140000}, {0, mixedModel.size()}}) {
        store.replace(from, count, u"x\n");
        QVERIFY(agrees(store, QString(mixedModel).replace(from, count, u"x\n"_qs)));
        QVERIFY(store.undo());
        QVERIFY(agrees(store, mixedModel));
        QCOMPARE(store.snapshot().rawText(), mixed);
        QVERIFY(store.redo());
        QVERIFY(agrees(store, QString(mixedModel).replace(from, count, u"x\n"_qs)));
        QVERIFY(store.undo());
    }
    QCOMPARE(store.snapshot().rawText(), mixed);
}

void tst_textstore::findCrossesEveryLeaf_data()
{
    QTest::addColumn<bool>("latin");
    QTest::newRow("text of every kind") << false;
    QTest::newRow("Latin-1 text") << true; // its leaves searched as bytes
}

void tst_textstore::findCrossesEveryLeaf()
{
    QFETCH(bool, latin);
    QRandomGenerator random(11);
    QString model = randomText(random, 200000, latin);
    TextStore store;
    store.setRawText(model, LineBreak::LF);
    // Every seam between leaves gets a needle laid across it, each at another place,
    const std::vector<qsizetype> seams = store.leafStarts();
    QVERIFY(seams.size() > 4);
    // and another lies inside each leaf.
    for (size_t i = 1; i < seams.size(); ++i) {
        model.replace(seams[i] - qsizetype(i % 5) - 1, 6, u"NÉEDLE"_qs);
        model.replace(seams[i - 1] + 1000 + qsizetype(i), 6, u"NÉEDLE"_qs);
    }
    store.setRawText(model, LineBreak::LF); // cut at the same places
    QCOMPARE(store.leafStarts(), seams);
    for (const auto cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        const QString needle = cs == Qt::CaseSensitive ? u"NÉEDLE"_qs : u"néedle"_qs;
        qsizetype from = 0;
        for (;;) {
            const qsizetype expected = model.indexOf(needle, from, cs);
            QCOMPARE(store.find(needle, from, -1, cs), expected);
            if (expected < 0)
                break;
            // From the match itself; not when it would end past the limit.
            QCOMPARE(store.find(needle, expected, -1, cs), expected);
            QCOMPARE(store.find(needle, from, expected + 5, cs), -1);
            from = expected + 1;
        }
    }
    QCOMPARE(store.find(u"", 0), -1);
    // A needle with a character no Latin-1 leaf holds.
    QCOMPARE(store.find(u"NÉEDLE\u20AC"_qs, 0), latin ? -1 : model.indexOf(u"NÉEDLE\u20AC"_qs));
    QCOMPARE(store.find(u"\U0001F600"_qs, 0), model.indexOf(u"\U0001F600"_qs));
}

QTEST_GUILESS_MAIN(tst_textstore)
#include "tst_textstore.moc"
