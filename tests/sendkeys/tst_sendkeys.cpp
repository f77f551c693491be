// Key-sequence delivery, the redraw freeze and the clock's regional formats.

#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/RedrawFreeze.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"

#include <QKeySequence>
#include <QSignalSpy>
#include <QTest>

using platform::KeyStroke;
using platform::RichTextBox;

namespace {

// "Shift+A'A'" for one stroke, "x4" after it when it repeats; strokes separated by blanks.
QString render(const QList<KeyStroke>& strokes)
{
    QStringList parts;
    for (const KeyStroke& k : strokes) {
        QString text;
        for (const QChar c : k.text)
            text += c.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QChar(u'0')) : QString(c);
        parts << QKeySequence(QKeyCombination(k.modifiers, Qt::Key(k.key))).toString() + "'" + text + "'"
                     + (k.repeat != 1 ? QStringLiteral("x%1").arg(k.repeat) : QString());
    }
    return parts.join(u' ');
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
    void keysRaiseTheEditorsEvents();
    void queuedKeysComeFirstOrFromTheEventLoop();
    void freezeIsOneLockNotNested();
    void timeFormatHasSecondsAndNoZone_data();
    void timeFormatHasSecondsAndNoZone();
};

void tst_sendkeys::parsesTheNotation_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("strokes");
    QTest::newRow("plain and enter") << "aB ~" << "A'a' B'B' Space' ' Return'\\x0d'";
    QTest::newRow("left n, any case, blanks") << "{LEFT}{left   12}{LEFT 0}" << "Left'' Left''x12";
    QTest::newRow("keys") << "{UP}{DOWN}{TAB}{HOME}{DEL}{ENTER}{BS}{F16}"
                          << "Up'' Down'' Tab'\\x09' Home'' Del'' Return'\\x0d' Backspace'\\x08' F16''";
    QTest::newRow("escapes") << "{+}{^}{%}{~}{(}{)}{{}{}}{[}{]}[x]"
                             << "+'+' ^'^' %'%' ~'~' ('(' )')' {'{' }'}' ['[' ]']' ['[' X'x' ]']'";
    QTest::newRow("brace repeated") << "{} 3}" << "}'}'x3";
    QTest::newRow("modifiers") << "+a^b%f^+z" << "Shift+A'A' Ctrl+B'\\x02' Alt+F'' Ctrl+Shift+Z'\\x1a'";
    QTest::newRow("groups") << "^(a+(b))c" << "Ctrl+A'\\x01' Ctrl+Shift+B'\\x02' C'c'";
    QTest::newRow("modified named keys") << "+{LEFT 2}+{TAB}" << "Shift+Left''x2 Shift+Backtab''";
    QTest::newRow("line breaks") << "a\r\nb\n\t" << "A'a' Return'\\x0d' B'b' Return'\\x0d' Tab'\\x09'";
    QTest::newRow("outside the basic plane") << "{\U0001F600 2}"
                                             << QString(QKeySequence(0x1F600).toString() + "'\U0001F600'x2");
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
    QTest::newRow("empty braces") << "{}" << 1;
    QTest::newRow("lone close brace") << "a}" << 2;
    QTest::newRow("unknown name") << "{LEFT4}" << 2;
    QTest::newRow("count not a number") << "{LEFT -1}" << 7;
    QTest::newRow("count too large") << "{LEFT 99999999999999999999999}" << 7;
    QTest::newRow("no F17") << "{F17}" << 2;
    QTest::newRow("unclosed group") << "x(+(a)" << 2;
    QTest::newRow("lone close paren") << "a)" << 2;
    QTest::newRow("modifier with no key") << "(a^)" << 3;
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
    QTest::newRow("every command character") << "2003+06^19%~(a){b}[c]{LEFT 4}" << "2003+06^19%~(a){b}[c]{LEFT 4}";
    QTest::newRow("line breaks and tabs") << "a\r\nb\rc\n\td" << "a\nb\nc\n\td";
    QTest::newRow("scripts and wide characters") << QStringLiteral("19. června г. 午後 \U0001F600")
                                                 << QStringLiteral("19. června г. 午後 \U0001F600");
}

void tst_sendkeys::escapedTextArrivesAsTyped()
{
    QFETCH(QString, text);
    QFETCH(QString, typed);
    FocusedEditor e;
    platform::SendKeys(platform::escapeKeys(text), true);
    QCOMPARE(e.box.Text(), typed);
    QCOMPARE(e.box.SelStart(), typed.size());
}

void tst_sendkeys::keysRaiseTheEditorsEvents()
{
    // Ctrl+B is code 2, not typed; Shift's own release is reported; Enter's is 13 (smart tabs).
    FocusedEditor e;
    QList<int> press;
    QObject::connect(&e.box, &RichTextBox::KeyPress, &e.box, [&](int& code) { press << code; });
    QSignalSpy up(&e.box, &RichTextBox::KeyUp);
    QSignalSpy sel(&e.box, &RichTextBox::SelChange);
    platform::SendKeys(QStringLiteral("a~^b+x"), true);
    QCOMPARE(press, QList<int>({'a', 13, 2, 'X'}));
    QList<int> released;
    for (const QList<QVariant>& args : up)
        released << args.at(0).toInt();
    QCOMPARE(released, QList<int>({65, 13, 66, 17, 88, 16}));   // A, Enter, B, Ctrl, X, Shift
    QCOMPARE(sel.count(), 3);
    QCOMPARE(e.box.Text(), QStringLiteral("a\nX"));
}

void tst_sendkeys::queuedKeysComeFirstOrFromTheEventLoop()
{
    FocusedEditor e;
    platform::SendKeys(QStringLiteral("ab"), false);
    platform::SendKeys(QStringLiteral("{c 2}"), false);
    QCOMPARE(e.box.Text(), QString()); // queued, not typed yet
    QCOMPARE(platform::pendingKeys(), 4);
    platform::SendKeys(QStringLiteral("{LEFT}d"), true);
    QCOMPARE(e.box.Text(), QStringLiteral("abcdc"));
    QCOMPARE(platform::pendingKeys(), 0);

    platform::SendKeys(QStringLiteral("xy{LEFT}"), false);
    QTRY_COMPARE(e.box.Text(), QStringLiteral("abcdxyc"));
    QCOMPARE(e.box.SelStart(), 5);
}

void tst_sendkeys::freezeIsOneLockNotNested()
{
    QWidget a, b;
    QVERIFY(platform::LockWindowUpdate(&a));
    QVERIFY(!a.updatesEnabled());
    QVERIFY(!platform::LockWindowUpdate(&b)); // a second freeze fails
    QVERIFY(b.updatesEnabled());
    QVERIFY(platform::LockWindowUpdate(nullptr));
    QVERIFY(a.updatesEnabled());
    auto* doomed = new QWidget; // a frozen window that is destroyed takes its freeze with it
    QVERIFY(platform::LockWindowUpdate(doomed));
    delete doomed;
    QCOMPARE(platform::lockedWindow(), nullptr);
    // The guard releases on an error.
    try {
        platform::RedrawFreeze freeze(&a);
        QVERIFY(freeze.locked() && !a.updatesEnabled());
        platform::raise(6, QStringLiteral("Overflow"));
    } catch (const platform::AppError&) {
    }
    QVERIFY(a.updatesEnabled());
    QCOMPARE(platform::lockedWindow(), nullptr);
}

void tst_sendkeys::timeFormatHasSecondsAndNoZone_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("format");
    QTest::newRow("en_US") << "en_US" << "h:mm:ss AP";
    QTest::newRow("en_GB") << "en_GB" << "HH:mm:ss";
    QTest::newRow("zone first") << "zh_CN" << "HH:mm:ss";
    QTest::newRow("zone in parentheses") << "es_ES" << "H:mm:ss";
    QTest::newRow("zone after a comma") << "sq_AL" << "h:mm:ss AP";
    QTest::newRow("quoted letters") << "fr_CA" << "HH 'h' mm 'min' ss 's'";
}

void tst_sendkeys::timeFormatHasSecondsAndNoZone()
{
    QFETCH(QString, locale);
    QFETCH(QString, format);
    QCOMPARE(platform::timeFormatWithSeconds(QLocale(locale)), format);
    const platform::SystemClock clock{QLocale(u"en_US"_qs)};
    QCOMPARE(clock.dateText(QDate(2003, 6, 19)), u"6/19/03"_qs);
    QCOMPARE(clock.timeText(QTime(15, 4, 5)), u"3:04:05 PM"_qs);
}

QTEST_MAIN(tst_sendkeys)
#include "tst_sendkeys.moc"
