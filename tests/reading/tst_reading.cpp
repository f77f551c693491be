// A big plain file is shown from its start at once and read on beside the window: what can be
// done with it meanwhile, what a stopped read keeps, and that the whole read saves every byte.
#include "MainFixture.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "mainwindow/frmMain.h"
#include "platform/BackgroundRead.h"
#include "platform/RichTextBox.h"
#include "platform/TextFile.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QSemaphore>
#include <QTest>
#include <QToolButton>
#include <thread>

using platform::BackgroundRead;

namespace {

// Small sizes, so that a file of a few hundred kilobytes is read as a big one is: a start of a
// few kilobytes, then many parts.
struct SmallReads {
    SmallReads()
    {
        platform::BackgroundReadSizes sizes;
        sizes.fromBytes = 64 * 1024;
        sizes.headBytes = 4 * 1024;
        sizes.partChars = 16 * 1024;
        sizes.pieceBytes = 4 * 1024;
        platform::setBackgroundReadSizes(sizes);
    }
    ~SmallReads()
    {
        platform::setBackgroundReadSizes({});
        BackgroundRead::setPartHook({});
    }
};

// Holds the read before part `at` until released (or until the read is stopped), so that what
// the window shows meanwhile is known whatever the machine's speed.
struct HeldRead {
    explicit HeldRead(int at)
    {
        BackgroundRead::setPartHook([this, at](int n, const std::atomic<bool>& stopping) {
            if (n != at)
                return;
            reached.release();
            while (!stopping && !go.tryAcquire(1, 5))
                ;
        });
    }
    ~HeldRead() { BackgroundRead::setPartHook({}); }
    void waitUntilHeld() { QVERIFY(reached.tryAcquire(1, 30000)); }
    void release() { go.release(); }
    QSemaphore reached, go;
};

// Lines of every break style, with characters of two, three and four bytes in UTF-8.
QByteArray mixedFile(int lines)
{
    QByteArray out;
    for (int i = 0; i < lines; ++i) {
        out += "line " + QByteArray::number(i) + " caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80";
        out += i % 7 == 3 ? "\n" : i % 11 == 5 ? "\r" : "\r\n";
    }
    return out;
}

QString textOf(const QByteArray& utf8)
{
    return QString::fromUtf8(utf8).replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
}

} // namespace

class tst_reading : public QObject {
    Q_OBJECT
private slots:
    void theStartShowsAtOnceAndTheRestIsAppendedUntilWhole();
    void aStoppedReadKeepsWhatWasReadAndNeverCutsTheFile();
    void aFileNotUtf8ThroughoutIsReadAgainByteForCharacter();
    void aLineNotReadYetIsGoneToOnceItIs();
    void closingAWindowStopsItsRead();
};

void tst_reading::theStartShowsAtOnceAndTheRestIsAppendedUntilWhole()
{
    SmallReads small;
    MainFixture f;
    const QByteArray bytes = mixedFile(12000);
    const QString text = textOf(bytes);
    writeFile(f.path("big.log"), bytes);
    HeldRead held(2);
    QCOMPARE(f.main->OpenFiles({f.path("big.log")}, QStringLiteral("MDIForm_OLEDragDrop")), 1);
    platform::RichTextBox& box = *f.editor();
    QVERIFY(box.isReading());
    held.waitUntilHeld();
    QTRY_VERIFY(box.TextLength() > 2 * 16 * 1024); // the start and the first two parts
    const QString shown = box.Text();
    QVERIFY(shown.size() < text.size());
    QCOMPARE(text.left(shown.size()), shown);
    // It can be looked at: the caret moves, a selection is copied.
    QTest::keyClick(box.hwnd(), Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(box.hwnd(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), text.left(text.indexOf(u'\n')));
    QProgressBar* bar = f.main->findChild<QProgressBar*>(QStringLiteral("sbStatusBarReadProgress"));
    QVERIFY(bar && bar->isVisibleTo(f.main.get()));
    QVERIFY2(f.main->statusText().startsWith(QStringLiteral("Reading big.log: ")), qPrintable(f.main->statusText()));
    // Every edit waits for the end of the read, and the status bar says why: keys, menu
    // commands, toolbar buttons, the format keys.
    const QString waits = QStringLiteral("big.log is still being read: the text can be edited once the read ends. "
                                         "Esc stops the read.");
    for (const auto& edit : std::initializer_list<std::function<void()>>{
             [&] { f.type(QStringLiteral("x\n\t")); },
             [&] { QTest::keyClick(box.hwnd(), Qt::Key_Backspace); },
             [&] { QTest::keyClick(box.hwnd(), Qt::Key_B, Qt::ControlModifier); },
             [&] { QTest::keyClick(box.hwnd(), Qt::Key_V, Qt::ControlModifier); },
             [&] { f.trigger(QStringLiteral("mnuEditPaste")); },
             [&] { f.trigger(QStringLiteral("mnuInsertDate")); },
             [&] { f.trigger(QStringLiteral("mnuFileSave")); },
             [&] { f.main->tbToolBar_ButtonClick(QStringLiteral("Bold")); }}) {
        f.main->setStatusText(QString());
        edit();
        QCOMPARE(f.main->statusText(), waits);
    }
    QCOMPARE(box.Text(), shown);
    QVERIFY(!f.active()->bIsDirty);
    QVERIFY(!box.isRichView());
    QVERIFY(f.messages->shown.isEmpty());
    held.release();
    QTRY_VERIFY(!box.isReading());
    QCOMPARE(box.Text(), text);
    QVERIFY(!box.isPartialRead());
    QVERIFY(!bar->isVisibleTo(f.main.get()));
    QCOMPARE(f.main->statusText(), QStringLiteral("Read big.log (%1 MB).").arg(QLocale::system().toString(
                                                                            double(bytes.size()) / 1048576.0, 'f', 1)));
    // Whole, it saves every byte it read, and is edited as any other document.
    f.editor()->SaveFile(f.path("copy.log"), platform::RichTextBox::PlainText);
    QCOMPARE(readFile(f.path("copy.log")), bytes);
    QTest::keyClick(box.hwnd(), Qt::Key_Home, Qt::ControlModifier);
    f.type(QStringLiteral("x"));
    QVERIFY(f.active()->bIsDirty);
    f.trigger(QStringLiteral("mnuFileSave"));
    QCOMPARE(readFile(f.path("big.log")), "x" + bytes);
}

void tst_reading::aStoppedReadKeepsWhatWasReadAndNeverCutsTheFile()
{
    SmallReads small;
    MainFixture f;
    const QByteArray bytes = mixedFile(12000);
    writeFile(f.path("big.log"), bytes);
    for (const bool byButton : {false, true}) {
        HeldRead held(1);
        QCOMPARE(f.main->OpenFiles({f.path("big.log")}, QStringLiteral("MDIForm_OLEDragDrop")), 1);
        platform::RichTextBox& box = *f.editor();
        held.waitUntilHeld();
        QTRY_VERIFY(box.TextLength() > 16 * 1024); // the start and the first part
        const QString shown = box.Text();
        if (byButton)
            f.main->findChild<QToolButton*>(QStringLiteral("sbStatusBarStopReading"))->click();
        else
            QTest::keyClick(box.hwnd(), Qt::Key_Escape);
        QVERIFY(!box.isReading());
        QVERIFY(box.isPartialRead());
        QCOMPARE(box.Text(), shown);
        QCOMPARE(f.main->statusText(),
                 QStringLiteral("Stopped reading big.log. Its first %1 lines are shown; they can be saved only "
                                "under another name.").arg(QLocale::system().toString(box.lineCount())));
        // What was read can be edited, but not saved over the file it is only the start of; its
        // recovery copy comes back without the file's name, for the same reason.
        f.type(QStringLiteral("x"));
        QSignalSpy written(&f.main->recovery(), &Recovery::copyWritten);
        f.main->recovery().flush();
        QTRY_COMPARE(written.size(), 1);
        const QDir copies(f.main->recovery().folder());
        const QStringList described = copies.entryList({QStringLiteral("*.json")}, QDir::Files);
        QCOMPARE(described.size(), 1);
        const QJsonObject description = QJsonDocument::fromJson(readFile(copies.filePath(described.first()))).object();
        QCOMPARE(description.value(QStringLiteral("caption")).toString(), f.path("big.log"));
        QCOMPARE(description.value(QStringLiteral("path")).toString(), QString());
        f.trigger(QStringLiteral("mnuFileSave"));
        QCOMPARE(f.messages->shown.size(), 1);
        QVERIFY(f.messages->shown.takeFirst().prompt.contains(
            QStringLiteral("Only the start of %1 was read: saving it there would cut the file short.").arg(f.path("big.log"))));
        QCOMPARE(readFile(f.path("big.log")), bytes);
        QVERIFY(f.active()->bIsDirty);
        // Under another name it is saved as read, each break in its own style; that file is
        // then the document's own.
        const QString copy = f.path(byButton ? "part2.log" : "part1.log");
        f.dialogs->fileAnswers << copy;
        f.trigger(QStringLiteral("mnuFileSaveAs"));
        QCOMPARE(f.active()->Caption(), copy);
        const QByteArray saved = readFile(copy);
        QVERIFY(saved.size() < bytes.size());
        QCOMPARE(saved, "x" + bytes.left(saved.size() - 1));
        QCOMPARE(textOf(saved.mid(1)), shown);
        f.type(QStringLiteral("y"));
        f.trigger(QStringLiteral("mnuFileSave"));
        QCOMPARE(readFile(copy), "xy" + saved.mid(1));
        QVERIFY(f.messages->shown.isEmpty());
    }
}

void tst_reading::aFileNotUtf8ThroughoutIsReadAgainByteForCharacter()
{
    // Its start is UTF-8 and shown so; a byte far on is not, and the whole file then reads as
    // Windows-1252, one character a byte, which saves back the very same bytes.
    SmallReads small;
    MainFixture f;
    QByteArray bytes = mixedFile(12000);
    bytes.insert(bytes.size() - 100, "\xE9");
    writeFile(f.path("mixed.txt"), bytes);
    QCOMPARE(f.main->OpenFiles({f.path("mixed.txt")}, QStringLiteral("MDIForm_OLEDragDrop")), 1);
    platform::RichTextBox& box = *f.editor();
    QCOMPARE(int(box.plainTextFormat().encoding), int(platform::TextFormat::Encoding::Utf8));
    QTRY_VERIFY(!box.isReading());
    QVERIFY(!box.isPartialRead());
    QCOMPARE(int(box.plainTextFormat().encoding), int(platform::TextFormat::Encoding::Windows1252));
    QCOMPARE(box.Text(), platform::decodeWindows1252(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n'));
    box.SaveFile(f.path("copy.txt"), platform::RichTextBox::PlainText);
    QCOMPARE(readFile(f.path("copy.txt")), bytes);

    // UTF-16 is read on one core, its parts never cut inside a surrogate pair or a CR LF.
    const QString wide = textOf(mixedFile(6000));
    QByteArray utf16("\xFF\xFE");
    const QString raw = QString::fromUtf8(mixedFile(6000));
    utf16.append(reinterpret_cast<const char*>(raw.utf16()), raw.size() * 2);
    writeFile(f.path("wide.txt"), utf16);
    QCOMPARE(f.main->OpenFiles({f.path("wide.txt")}, QStringLiteral("MDIForm_OLEDragDrop")), 1);
    QVERIFY(f.editor()->isReading());
    QTRY_VERIFY(!f.editor()->isReading());
    QCOMPARE(f.editor()->Text(), wide);
    f.editor()->SaveFile(f.path("wide copy.txt"), platform::RichTextBox::PlainText);
    QCOMPARE(readFile(f.path("wide copy.txt")), utf16);
}

void tst_reading::aLineNotReadYetIsGoneToOnceItIs()
{
    // A file changed by another program is read again quietly, the caret kept on its line, which
    // the new read may not have reached yet; a caret the user moves meanwhile stays where it went.
    SmallReads small;
    MainFixture f;
    QByteArray bytes = mixedFile(12000);
    writeFile(f.path("big.log"), bytes);
    QCOMPARE(f.main->OpenFiles({f.path("big.log")}, QStringLiteral("MDIForm_OLEDragDrop")), 1);
    platform::RichTextBox& box = *f.editor();
    QTRY_VERIFY(!box.isReading());
    box.goToLine(9000);
    for (const bool moved : {false, true}) {
        HeldRead held(1);
        bytes.prepend("a new first line\n");
        writeFile(f.path("big.log"), bytes); // a new size: a change, whatever the clock says
        f.main->CheckDiskChanges(*f.active());
        QVERIFY(box.isReading());
        held.waitUntilHeld();
        QVERIFY(box.lineCount() < 9000);
        if (moved)
            QTest::keyClick(box.hwnd(), Qt::Key_Home, Qt::ControlModifier);
        held.release();
        QTRY_VERIFY(!box.isReading());
        QCOMPARE(box.lineOfOffset(box.SelStart()), moved ? 0 : 9000);
    }
    QVERIFY(f.messages->shown.isEmpty());
    QVERIFY(!f.active()->bIsDirty);
}

void tst_reading::closingAWindowStopsItsRead()
{
    SmallReads small;
    MainFixture f;
    writeFile(f.path("big.log"), mixedFile(12000));
    const qsizetype before = f.main->documents().size();
    HeldRead held(1);
    QCOMPARE(f.main->OpenFiles({f.path("big.log")}, QStringLiteral("MDIForm_OLEDragDrop")), 1);
    held.waitUntilHeld();
    QPointer<frmDocument> doc = f.active();
    f.trigger(QStringLiteral("mnuFileClose"));
    QTRY_VERIFY(!doc);
    QVERIFY(f.messages->shown.isEmpty());
    QCOMPARE(f.main->documents().size(), before);
}

QTEST_MAIN(tst_reading)
#include "tst_reading.moc"
