// Key-sequence delivery, the redraw freeze and the clock's regional formats.

#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/RedrawFreeze.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"

#include <QKeySequence>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using platform::KeyStroke;
using platform::RichTextBox;

namespace {

// "Shift+A'A'" for one stroke; "x4" when it repeats; strokes separated by blanks.
QString render(const QList<KeyStroke>& strokes)
{
    QStringList parts;
    for (const KeyStroke& k : strokes) {
        QString text;
        for (const QChar c : k.text)
            text += c.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QChar(u'0')) : QString(c);
        QString part = QKeySequence(QKeyCombination(k.modifiers, Qt::Key(k.key))).toString()
            + QStringLiteral("'") + text + QStringLiteral("'");
        if (k.repeat != 1)
            part += QStringLiteral("x%1").arg(k.repeat);
        parts << part;
    }
    return parts.join(u' ');
}

// What the strokes type into an editor, as plain text.
QString typedText(const QList<KeyStroke>& strokes)
{
    QString out;
    for (const KeyStroke& k : strokes)
        for (int i = 0; i < k.repeat; ++i)
            out += k.key == Qt::Key_Return ? QStringLiteral("\n") : k.text;
    return out;
}

// An editor in a window of its own that has the keyboard focus.
struct FocusedEditor {
    RichTextBox box;
    FocusedEditor()
    {
        box.resize(400, 300);
        box.show();
        box.activateWindow();
        box.SetFocus();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QTRY_VERIFY(QApplication::focusWidget() == box.hwnd());
    }
};

} // namespace

class tst_sendkeys : public QObject {
    Q_OBJECT
private slots:
    void parsesTheNotation_data();
    void parsesTheNotation();
    void malformedSequencesAreErrorFive_data();
    void malformedSequencesAreErrorFive();
    void escapedTextArrivesAsTyped_data();
    void escapedTextArrivesAsTyped();
    void randomSequencesNeverCrash();
    void keysRaiseTheEditorsEvents();
    void waitingDeliversTheQueueFirst();
    void queuedKeysArriveWhenTheEventLoopRuns();
    void keysQueuedByAHandlerComeBeforeTheNextKey();
    void freezeIsOneLockNotNested();
    void freezeGuardReleasesOnEveryWayOut();
    void freezeOfADestroyedWindowEnds();
    void timeFormatHasSecondsAndNoZone_data();
    void timeFormatHasSecondsAndNoZone();
};

void tst_sendkeys::parsesTheNotation_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("strokes");
    QTest::newRow("plain") << "aB1 " << "A'a' B'B' 1'1' Space' '";
    QTest::newRow("enter") << "~" << "Return'\\x0d'";
    QTest::newRow("left") << "{LEFT}" << "Left''";
    QTest::newRow("left n") << "{LEFT 4}" << "Left''x4";
    QTest::newRow("any case, blanks") << "{left   12}" << "Left''x12";
    QTest::newRow("zero presses") << "a{LEFT 0}b" << "A'a' B'b'";
    QTest::newRow("keys") << "{UP}{DOWN}{TAB}{HOME}{DEL}{ENTER}"
                          << "Up'' Down'' Tab'\\x09' Home'' Del'' Return'\\x0d'";
    QTest::newRow("more keys") << "{BS}{ESC}{END}{PGUP}{PGDN}{INS}{F1}{F16}"
                               << "Backspace'\\x08' Esc'\\x1b' End'' PgUp'' PgDown'' Ins'' F1'' F16''";
    QTest::newRow("escapes") << "{+}{^}{%}{~}{(}{)}{{}{}}{[}{]}"
                             << "+'+' ^'^' %'%' ~'~' ('(' )')' {'{' }'}' ['[' ]']'";
    QTest::newRow("brace repeated") << "{} 3}{{ 2}" << "}'}'x3 {'{'x2";
    QTest::newRow("plain brackets") << "[a]" << "['[' A'a' ]']'";
    QTest::newRow("shift") << "+a" << "Shift+A'A'";
    QTest::newRow("ctrl") << "^b" << "Ctrl+B'\\x02'";
    QTest::newRow("alt") << "%f" << "Alt+F''";
    QTest::newRow("two modifiers") << "^+z" << "Ctrl+Shift+Z'\\x1a'";
    QTest::newRow("group") << "+(ab)c" << "Shift+A'A' Shift+B'B' C'c'";
    QTest::newRow("nested group") << "^(a+(b)c)" << "Ctrl+A'\\x01' Ctrl+Shift+B'\\x02' Ctrl+C'\\x03'";
    QTest::newRow("modifier on named key") << "+{LEFT 2}" << "Shift+Left''x2";
    QTest::newRow("shift tab") << "+{TAB}" << "Shift+Backtab''";
    QTest::newRow("line breaks") << "a\r\nb\nc" << "A'a' Return'\\x0d' B'b' Return'\\x0d' C'c'";
    QTest::newRow("tab character") << "\t" << "Tab'\\x09'";
    QTest::newRow("outside the basic plane") << "{\U0001F600 2}" << QString(QKeySequence(0x1F600).toString() + "'\U0001F600'x2");
    QTest::newRow("empty") << "" << "";
}

void tst_sendkeys::parsesTheNotation()
{
    QFETCH(QString, sequence);
    QFETCH(QString, strokes);
    QCOMPARE(render(platform::parseKeys(sequence)), strokes);
}

void tst_sendkeys::malformedSequencesAreErrorFive_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<int>("position"); // 1-based, as the description names it
    QTest::newRow("unclosed brace") << "ab{LEFT" << 3;
    QTest::newRow("lone open brace") << "{" << 1;
    QTest::newRow("empty braces") << "{}" << 1;
    QTest::newRow("lone close brace") << "a}" << 2;
    QTest::newRow("unknown name") << "{LEFTT}" << 2;
    QTest::newRow("no blank before count") << "{LEFT4}" << 2;
    QTest::newRow("count not a number") << "{LEFT x}" << 7;
    QTest::newRow("negative count") << "{LEFT -1}" << 7;
    QTest::newRow("count too large") << "{LEFT 32768}" << 7;
    QTest::newRow("huge count") << "{LEFT 99999999999999999999999}" << 7;
    QTest::newRow("trailing blank") << "{LEFT 4 }" << 9;
    QTest::newRow("no F0") << "{F0}" << 2;
    QTest::newRow("no F17") << "{F17}" << 2;
    QTest::newRow("unclosed group") << "x(+(a)" << 2;
    QTest::newRow("lone close paren") << "a)" << 2;
    QTest::newRow("modifier at the end") << "abc+" << 4;
    QTest::newRow("modifier before close paren") << "(a^)" << 3;
}

void tst_sendkeys::malformedSequencesAreErrorFive()
{
    QFETCH(QString, sequence);
    QFETCH(int, position);
    try {
        platform::parseKeys(sequence);
        QFAIL("no error");
    } catch (const platform::AppError& e) {
        QCOMPARE(e.number, 5);
        QVERIFY2(e.description.startsWith(QStringLiteral("Invalid key sequence at character %1: ").arg(position)),
                 qPrintable(e.description));
    }
    // Nothing of a malformed sequence is delivered or queued.
    QVERIFY_THROWS_EXCEPTION(platform::AppError, platform::SendKeys(sequence, false));
    QCOMPARE(platform::pendingKeys(), 0);
}

void tst_sendkeys::escapedTextArrivesAsTyped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("typed");
    QTest::newRow("date with every command character")
        << "2003+06^19%~(a){b}[c]" << "2003+06^19%~(a){b}[c]";
    QTest::newRow("regional time") << "3:04:05 PM" << "3:04:05 PM";
    QTest::newRow("line breaks and tabs") << "a\r\nb\rc\n\td" << "a\nb\nc\n\td";
    QTest::newRow("accents and scripts") << QStringLiteral("19. června 2003 г. 午後") << QStringLiteral("19. června 2003 г. 午後");
    QTest::newRow("outside the basic plane") << QStringLiteral("a\U0001F600b") << QStringLiteral("a\U0001F600b");
    QTest::newRow("braces with counts inside") << "{LEFT 4}" << "{LEFT 4}";
}

void tst_sendkeys::escapedTextArrivesAsTyped()
{
    QFETCH(QString, text);
    QFETCH(QString, typed);
    const QString keys = platform::escapeKeys(text);
    QCOMPARE(typedText(platform::parseKeys(keys)), typed);

    FocusedEditor e;
    platform::SendKeys(keys, true);
    QCOMPARE(e.box.Text(), typed);
    QCOMPARE(e.box.SelStart(), typed.size());
}

void tst_sendkeys::randomSequencesNeverCrash()
{
    // Pieces of the notation, whole and broken, strung together at random.
    const QStringList pieces = {"a", "Z", "~", "+", "^", "%", "(", ")", "{", "}", "{LEFT}",
                                "{LEFT 3}", "{UP}", "{DOWN}", "{TAB}", "{HOME}", "{DEL}",
                                "{ENTER}", "{BS}", "{F5}", "{+}", "{{}", "{}}", "{} 2}", " ",
                                "9", "{LEFT", "LEFT}", "{left -", "\n", "\t", "\r",
                                QStringLiteral("\U0001F600"), QString(QChar(0xD800)),
                                QString(QChar(0xDC00)), QString(QChar(0)), "{x 32767}", "[", "]"};
    QRandomGenerator random(20030619);
    FocusedEditor e;
    int parsed = 0, delivered = 0;
    for (int round = 0; round < 20000; ++round) {
        QString sequence;
        const int length = random.bounded(12);
        for (int i = 0; i < length; ++i)
            sequence += pieces.at(random.bounded(int(pieces.size())));
        if (random.bounded(4) == 0 && !sequence.isEmpty())
            sequence.truncate(random.bounded(int(sequence.size())));
        QList<KeyStroke> strokes;
        try {
            strokes = platform::parseKeys(sequence);
            ++parsed;
        } catch (const platform::AppError& error) {
            QCOMPARE(error.number, 5);
            QVERIFY(!error.description.isEmpty());
            continue;
        }
        qint64 presses = 0;
        for (const KeyStroke& k : strokes) {
            QVERIFY(k.repeat >= 1 && k.repeat <= platform::kMaxKeyRepeat);
            presses += k.repeat;
        }
        // Deliver a few of the short ones for real, alternately waiting and queued.
        if (presses <= 20 && round % 25 == 0) {
            platform::SendKeys(sequence, round % 50 == 0);
            ++delivered;
        }
    }
    QTRY_COMPARE(platform::pendingKeys(), 0);
    QVERIFY(parsed > 1000);
    QVERIFY(delivered > 50);
}

void tst_sendkeys::keysRaiseTheEditorsEvents()
{
    FocusedEditor e;
    QList<int> press;
    QObject::connect(&e.box, &RichTextBox::KeyPress, &e.box, [&](int& code) { press << code; });
    QSignalSpy up(&e.box, &RichTextBox::KeyUp);
    QSignalSpy sel(&e.box, &RichTextBox::SelChange);
    platform::SendKeys(QStringLiteral("ab~"), true);
    QCOMPARE(press.count(), 3);
    QCOMPARE(up.count(), 3);
    QCOMPARE(up.at(2).at(0).toInt(), 13); // Enter's release, as the smart tabs see it
    QCOMPARE(sel.count(), 3);
    QCOMPARE(e.box.Text(), QStringLiteral("ab\n"));

    // Ctrl+B is a character code 2 that the editor does not type; Shift goes down and up around
    // the key, so its release is reported too.
    press.clear();
    up.clear();
    platform::SendKeys(QStringLiteral("^b+x"), true);
    QCOMPARE(press.count(), 2);
    QCOMPARE(press.at(0), 2);
    QCOMPARE(press.at(1), int('X'));
    QCOMPARE(up.count(), 4); // B, Ctrl, X, Shift
    QCOMPARE(e.box.Text(), QStringLiteral("ab\nX"));
}

void tst_sendkeys::waitingDeliversTheQueueFirst()
{
    FocusedEditor e;
    platform::SendKeys(QStringLiteral("ab"), false);
    platform::SendKeys(QStringLiteral("{c 2}"), false);
    QCOMPARE(e.box.Text(), QString()); // nothing yet: queued
    QCOMPARE(platform::pendingKeys(), 4);
    platform::SendKeys(QStringLiteral("{LEFT}d"), true);
    QCOMPARE(e.box.Text(), QStringLiteral("abcdc"));
    QCOMPARE(platform::pendingKeys(), 0);
}

void tst_sendkeys::queuedKeysArriveWhenTheEventLoopRuns()
{
    FocusedEditor e;
    platform::SendKeys(QStringLiteral("xy{LEFT}"), false);
    QTRY_COMPARE(e.box.Text(), QStringLiteral("xy"));
    QCOMPARE(e.box.SelStart(), 1);
}

void tst_sendkeys::keysQueuedByAHandlerComeBeforeTheNextKey()
{
    // On the release of Enter the handler looks at the line above and back, the way automatic
    // indentation does: a waiting Up, then a queued Down and a waiting Tab. The rest of the
    // sequence must continue on the new line, after the tab.
    FocusedEditor e;
    int enters = 0;
    QObject::connect(&e.box, &RichTextBox::KeyUp, &e.box, [&](int key, int) {
        if (key != 13)
            return;
        ++enters;
        platform::SendKeys(QStringLiteral("{UP}"), true);
        platform::SendKeys(QStringLiteral("{DOWN}"), false);
        if (enters == 1)
            platform::SendKeys(QStringLiteral("{TAB}"), true);
    });
    platform::SendKeys(QStringLiteral("one~two~three"), true);
    QCOMPARE(e.box.Text(), QStringLiteral("one\n\ttwo\nthree"));
    QCOMPARE(platform::pendingKeys(), 0);
    QCOMPARE(enters, 2);
}

void tst_sendkeys::freezeIsOneLockNotNested()
{
    QWidget a, b;
    QVERIFY(platform::LockWindowUpdate(&a));
    QVERIFY(!a.updatesEnabled());
    QVERIFY(!platform::LockWindowUpdate(&b)); // a second freeze fails
    QVERIFY(b.updatesEnabled());
    QVERIFY(!platform::LockWindowUpdate(&a));
    QCOMPARE(platform::lockedWindow(), &a);
    QVERIFY(platform::LockWindowUpdate(nullptr));
    QVERIFY(a.updatesEnabled());
    QCOMPARE(platform::lockedWindow(), nullptr);
    QVERIFY(platform::LockWindowUpdate(nullptr)); // releasing nothing is harmless

    // A window whose repainting its owner suspended stays suspended after the freeze.
    b.setUpdatesEnabled(false);
    QVERIFY(platform::LockWindowUpdate(&b));
    platform::LockWindowUpdate(nullptr);
    QVERIFY(!b.updatesEnabled());
}

void tst_sendkeys::freezeGuardReleasesOnEveryWayOut()
{
    QWidget a, b;
    try {
        platform::RedrawFreeze freeze(&a);
        QVERIFY(freeze.locked());
        QVERIFY(!a.updatesEnabled());
        platform::raise(6, QStringLiteral("Overflow"));
    } catch (const platform::AppError&) {
    }
    QVERIFY(a.updatesEnabled());
    QCOMPARE(platform::lockedWindow(), nullptr);

    // Not nested: an inner guard fails to freeze, and its end ends the outer freeze too.
    {
        platform::RedrawFreeze outer(&a);
        {
            platform::RedrawFreeze inner(&b);
            QVERIFY(!inner.locked());
            QVERIFY(b.updatesEnabled());
        }
        QVERIFY(a.updatesEnabled());
        QCOMPARE(platform::lockedWindow(), nullptr);
    }
    QCOMPARE(platform::lockedWindow(), nullptr);
}

void tst_sendkeys::freezeOfADestroyedWindowEnds()
{
    auto* doomed = new QWidget;
    QVERIFY(platform::LockWindowUpdate(doomed));
    delete doomed;
    QCOMPARE(platform::lockedWindow(), nullptr);
    QWidget next;
    QVERIFY(platform::LockWindowUpdate(&next));
    platform::LockWindowUpdate(nullptr);
    QVERIFY(next.updatesEnabled());
}

void tst_sendkeys::timeFormatHasSecondsAndNoZone_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("date");
    QTest::newRow("en_US") << "en_US" << "h:mm:ss AP" << "6/19/03";
    QTest::newRow("en_GB") << "en_GB" << "HH:mm:ss" << "19/06/2003";
    QTest::newRow("de_DE") << "de_DE" << "HH:mm:ss" << "19.06.03";
    QTest::newRow("zone first") << "zh_CN" << "HH:mm:ss" << "2003/6/19";
    QTest::newRow("zone in parentheses") << "es_ES" << "H:mm:ss" << "19/6/03";
    QTest::newRow("zone in brackets") << "zh_TW" << "Bh:mm:ss" << "2003/6/19";
    QTest::newRow("zone after a comma") << "sq_AL" << "h:mm:ss AP" << "19.6.03";
    QTest::newRow("quoted letters") << "fr_CA" << "HH 'h' mm 'min' ss 's'" << "2003-06-19";
    QTest::newRow("dots") << "fi_FI" << "H.mm.ss" << "19.6.2003";
}

void tst_sendkeys::timeFormatHasSecondsAndNoZone()
{
    QFETCH(QString, locale);
    QFETCH(QString, format);
    QFETCH(QString, date);
    QCOMPARE(platform::timeFormatWithSeconds(QLocale(locale)), format);
    const platform::SystemClock clock{QLocale(locale)};
    QCOMPARE(clock.dateText(QDate(2003, 6, 19)), date);
    if (locale == QLatin1String("en_GB"))
        QCOMPARE(clock.timeText(QTime(15, 4, 5)), QStringLiteral("15:04:05"));
    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(qAbs(before.secsTo(clock.now())) <= 1);
}

QTEST_MAIN(tst_sendkeys)
#include "tst_sendkeys.moc"
