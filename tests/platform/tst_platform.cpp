#include "MainFixture.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/Color.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/RichTextBox.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "platform/Trap.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using platform::RichTextBox;
using platform::TextFormat;

class tst_platform : public QObject {
    Q_OBJECT
private slots:
    void plainTextKeepsItsBytes_data();
    void plainTextKeepsItsBytes();
    void everyByteSurvivesAsLegacyText();
    void detectsEncodingAndLineBreaks_data();
    void detectsEncodingAndLineBreaks();
    void editorRoundTripKeepsBytes_data();
    void editorRoundTripKeepsBytes();
    void selectionAndTextAgree();
    void selChangeOncePerChange();
    void changeIsRaisedOnlyByUserEdits();
    void mixedFormatsReadAsNoValue();
    void findHonoursOptions();
    void loadErrorsNameTheFile();
    void failedSaveLeavesOldFileWhole();
    void saveKeepsWhatTheFileWas();
    void colorValues();
    void fontFamiliesAreNamedOnce();
    void saveDialogRefusesAMissingFolder();
    void settingsDefaultsAndValues();
    void trapShowsStandardBox();
};

void tst_platform::plainTextKeepsItsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray text = "caf\xC3\xA9 line\tone\nline two\n";
    QTest::newRow("utf8 lf") << text;
    QTest::newRow("utf8 no final break") << QByteArray("a\nb");
    QTest::newRow("utf8 bom crlf") << QByteArray("\xEF\xBB\xBF" "a\r\nb\r\n");
    QTest::newRow("cr only") << QByteArray("a\rb\rc");
    QTest::newRow("utf16le bom") << QByteArray("\xFF\xFE" "a\0\r\0\n\0b\0", 10);
    QTest::newRow("utf16be bom") << QByteArray("\xFE\xFF\0a\0\n\0b", 8);
    QTest::newRow("legacy 1252") << QByteArray("caf\xE9 \x80 \x81\r\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("nul bytes") << QByteArray("a\0b\0\0c\n", 7);
    QTest::newRow("bom then literal bom") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx");
    QTest::newRow("odd utf16-looking") << QByteArray("\xFF\xFE" "abc");
}

void tst_platform::plainTextKeepsItsBytes()
{
    QFETCH(QByteArray, bytes);
    const platform::DecodedText d = platform::decodeText(bytes);
    QCOMPARE(platform::encodeText(d.text, d.format), bytes);
}

void tst_platform::everyByteSurvivesAsLegacyText()
{
    QByteArray all;
    for (int round = 0; round < 3; ++round)
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                all.append(char(b));
    const platform::DecodedText d = platform::decodeText(all);
    QCOMPARE(d.format.encoding, TextFormat::Encoding::Windows1252);
    QCOMPARE(d.text.size(), all.size()); // nothing truncated at a NUL
    QCOMPARE(platform::encodeText(d.text, d.format), all);
}

void tst_platform::detectsEncodingAndLineBreaks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<int>("lineBreak");
    QTest::addColumn<QString>("text");
    using E = TextFormat::Encoding;
    using L = TextFormat::LineBreak;
    QTest::newRow("utf8") << QByteArray("\xC3\xA9\n") << int(E::Utf8) << int(L::LF) << QStringLiteral("\u00e9\n");
    QTest::newRow("crlf") << QByteArray("a\r\nb") << int(E::Utf8) << int(L::CRLF) << QStringLiteral("a\nb");
    QTest::newRow("cr") << QByteArray("a\rb") << int(E::Utf8) << int(L::CR) << QStringLiteral("a\nb");
    QTest::newRow("invalid utf8") << QByteArray("\xE9t\xE9") << int(E::Windows1252) << int(L::LF) << QStringLiteral("\u00e9t\u00e9");
    QTest::newRow("euro in 1252") << QByteArray("\x80") << int(E::Windows1252) << int(L::LF) << QStringLiteral("\u20ac");
    QTest::newRow("utf16le") << QByteArray("\xFF\xFEh\0i\0", 6) << int(E::Utf16LE) << int(L::LF) << QStringLiteral("hi");
}

void tst_platform::detectsEncodingAndLineBreaks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(int, lineBreak);
    QFETCH(QString, text);
    const platform::DecodedText d = platform::decodeText(bytes);
    QCOMPARE(int(d.format.encoding), encoding);
    QCOMPARE(int(d.format.lineBreak), lineBreak);
    QCOMPARE(d.text, text);
}

void tst_platform::editorRoundTripKeepsBytes_data()
{
    plainTextKeepsItsBytes_data();
}

void tst_platform::editorRoundTripKeepsBytes()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("f.txt");
    writeFile(path, bytes);
    RichTextBox box;
    box.LoadFile(path);
    box.SaveFile(path, RichTextBox::PlainText);
    QCOMPARE(readFile(path), bytes);
}

void tst_platform::selectionAndTextAgree()
{
    RichTextBox box;
    box.setSelText(QStringLiteral("one\ntwo\nthree"));
    QCOMPARE(box.Text(), QStringLiteral("one\ntwo\nthree"));
    QCOMPARE(box.SelStart(), 13); // the caret after the inserted text
    box.setSelStart(4);
    box.setSelLength(5);
    QCOMPARE(box.SelText(), QStringLiteral("two\nt"));
    box.setSelText(QStringLiteral("2"));
    QCOMPARE(box.Text(), QStringLiteral("one\n2hree"));
    QCOMPARE(box.SelStart(), 5);
    QCOMPARE(box.SelLength(), 0);
    box.setSelStart(1000); // beyond the end: the end
    QCOMPARE(box.SelStart(), box.Text().size());
    box.setSelStart(0);
    box.setSelLength(1000);
    QCOMPARE(box.SelLength(), box.Text().size());
    QVERIFY_THROWS_EXCEPTION(platform::AppError, box.setSelStart(-1));
    // A character outside the basic plane is two offsets, in the text and in the selection.
    box.setSelText(QStringLiteral("a\U0001F600b"));
    QCOMPARE(box.TextLength(), 4);
    box.setSelStart(1);
    box.setSelLength(2);
    QCOMPARE(box.SelText(), QStringLiteral("\U0001F600"));
}

void tst_platform::selChangeOncePerChange()
{
    RichTextBox box;
    box.show();
    QSignalSpy spy(&box, &RichTextBox::SelChange);
    box.setSelText(QStringLiteral("hello"));
    QCOMPARE(spy.count(), 1);
    box.setSelStart(2);
    QCOMPARE(spy.count(), 2);
    box.setSelStart(2); // set by the program: a change even to the same place
    QCOMPARE(spy.count(), 3);
    box.setSelLength(2);
    QCOMPARE(spy.count(), 4);
    QTest::keyClick(box.hwnd(), Qt::Key_Right); // collapses the selection: one change
    QCOMPARE(spy.count(), 5);
    QTest::keyClick(box.hwnd(), Qt::Key_X); // typing moves the caret
    QCOMPARE(spy.count(), 6);
    QTest::keyClick(box.hwnd(), Qt::Key_Shift); // no move, no change
    QCOMPARE(spy.count(), 6);
    QTemporaryDir dir;
    writeFile(dir.filePath("a.txt"), "text");
    box.LoadFile(dir.filePath("a.txt"));
    QCOMPARE(spy.count(), 7);
    QCOMPARE(box.SelStart(), 0);
}

void tst_platform::changeIsRaisedOnlyByUserEdits()
{
    RichTextBox box;
    box.show();
    QSignalSpy spy(&box, &RichTextBox::Change);
    box.setSelColor(platform::rgbValue(255, 0, 0));
    box.setBackColor(platform::kWindowBackground);
    box.setFontName(QStringLiteral("DejaVu Sans Mono"));
    box.setFontSize(14);
    QTemporaryDir dir;
    writeFile(dir.filePath("a.txt"), "line one\nline two");
    box.LoadFile(dir.filePath("a.txt"));
    box.setSelStart(3);
    box.setSelLength(4);
    QCOMPARE(spy.count(), 0); // the program's settings, loading and moving the caret
    box.setSelBold(true);
    QVERIFY(spy.count() > 0); // formatting is a change
    spy.clear();
    QTest::keyClick(box.hwnd(), Qt::Key_Delete);
    QVERIFY(spy.count() > 0);
    QCOMPARE(box.FontName(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(box.FontSize(), 14.0);
}

void tst_platform::mixedFormatsReadAsNoValue()
{
    RichTextBox box;
    box.setSelText(QStringLiteral("plain bold\nsecond"));
    box.setSelStart(6);
    box.setSelLength(4);
    box.setSelBold(true);
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    box.setSelStart(0);
    box.setSelLength(10);
    QCOMPARE(box.SelBold(), std::optional<bool>());
    QCOMPARE(box.SelItalic(), std::optional<bool>(false));
    box.setSelLength(5);
    QCOMPARE(box.SelBold(), std::optional<bool>(false));

    box.setSelStart(0);
    box.setSelAlignment(RichTextBox::Center);
    QCOMPARE(box.SelAlignment(), std::optional<int>(RichTextBox::Center));
    box.setSelStart(12);
    QCOMPARE(box.SelAlignment(), std::optional<int>(RichTextBox::Left));
    box.setSelStart(0);
    box.setSelLength(box.TextLength());
    QCOMPARE(box.SelAlignment(), std::optional<int>());
    box.setSelAlignment(RichTextBox::Right);
    QCOMPARE(box.SelAlignment(), std::optional<int>(RichTextBox::Right));
    QVERIFY_THROWS_EXCEPTION(platform::AppError, box.setSelAlignment(3));
}

void tst_platform::findHonoursOptions()
{
    RichTextBox box;
    box.setSelText(QStringLiteral("The cat scattered Cats\nline two cat"));
    QCOMPARE(box.Find(QStringLiteral("cat"), 0), 4);
    QCOMPARE(box.SelStart(), 4);
    QCOMPARE(box.SelLength(), 3);
    QCOMPARE(box.Find(QStringLiteral("cat"), 5), 9); // inside "scattered"
    QCOMPARE(box.Find(QStringLiteral("cat"), 5, -1, RichTextBox::WholeWord), 32);
    QCOMPARE(box.Find(QStringLiteral("Cat"), 5, -1, RichTextBox::MatchCase), 18);
    QCOMPARE(box.Find(QStringLiteral("cat"), 10, 21), 18); // "Cat" at 18..21 lies within
    QCOMPARE(box.Find(QStringLiteral("cat"), 10, 20), -1); // but not within 10..20
    QCOMPARE(box.Find(QStringLiteral("dog"), 0), -1);
    QCOMPARE(box.Find(QString(), 0), -1);
    QCOMPARE(box.Find(QStringLiteral("cat"), 1000), -1);
}

void tst_platform::loadErrorsNameTheFile()
{
    QTemporaryDir dir;
    RichTextBox box;
    const auto errorOf = [&](const QString& path) {
        try {
            box.LoadFile(path);
        } catch (const platform::AppError& e) {
            return e;
        }
        return platform::AppError{};
    };
    const platform::AppError missing = errorOf(dir.filePath("none.txt"));
    QCOMPARE(missing.number, platform::err::FileNotFound);
    QVERIFY(missing.description.contains(dir.filePath("none.txt")));
    const platform::AppError folder = errorOf(dir.path());
    QCOMPARE(folder.number, platform::err::PathFileAccess);
    QVERIFY(folder.description.contains(dir.path()));
}

void tst_platform::failedSaveLeavesOldFileWhole()
{
    SmallDisk disk(64);
    if (!disk.isValid())
        QSKIP("cannot mount a small tmpfs here");
    const QString path = disk.path("keep.txt");
    writeFile(path, "old content");
    RichTextBox box;
    box.setSelText(QString(64, u'x').append(u'\n').repeated(3200));
    try {
        box.SaveFile(path, RichTextBox::PlainText);
        QFAIL("a save onto a full disk reported success");
    } catch (const platform::AppError& e) {
        QCOMPARE(e.description, "There is not enough space on the disk to save " + path + ".");
    }
    QCOMPARE(readFile(path), QByteArray("old content"));
    QCOMPARE(QDir(disk.path("")).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.txt"});
    QVERIFY_THROWS_EXCEPTION(platform::AppError,
                             box.SaveFile(disk.path("missing/x.txt"), RichTextBox::PlainText));
}

void tst_platform::saveKeepsWhatTheFileWas()
{
    if (::geteuid() != 0)
        QSKIP("needs root, to play another user and to give files away");
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::ReadOther | QFile::ExeOther);
    const QString path = dir.filePath("f.txt");
    const QByteArray native = QFile::encodeName(path);
    writeFile(path, "old");
    QCOMPARE(::chmod(native.constData(), 0640), 0);
    QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
    const auto check = [&](const QByteArray& bytes) {
        struct stat st {};
        QCOMPARE(::stat(native.constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0640u);
        QCOMPARE(st.st_uid, 65534u);
        QCOMPARE(st.st_gid, 65534u);
        QCOMPARE(readFile(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"});
    };
    platform::writeWholeFile(path, "new one");
    check("new one");

    // Another name for the same file sees the new text too.
    const QByteArray other = QFile::encodeName(dir.filePath("g.txt"));
    QCOMPARE(::link(native.constData(), other.constData()), 0);
    platform::writeWholeFile(path, "two");
    QCOMPARE(readFile(dir.filePath("g.txt")), QByteArray("two"));
    QCOMPARE(::unlink(other.constData()), 0);

    // The owner of the file may save it in a folder they may not write to.
    QCOMPARE(::setegid(65534), 0);
    QCOMPARE(::seteuid(65534), 0);
    const auto backToRoot = qScopeGuard([] {
        QCOMPARE(::seteuid(0), 0);
        QCOMPARE(::setegid(0), 0);
    });
    platform::writeWholeFile(path, "longer than before");
    platform::writeWholeFile(path, "short");
    try {
        platform::writeWholeFile(dir.filePath("new.txt"), "x");
        QFAIL("a file was made in a folder that may not be written");
    } catch (const platform::AppError& e) {
        QCOMPARE(e.description, "Permission denied: " + dir.filePath("new.txt"));
    }
    check("short");
}

void tst_platform::colorValues()
{
    QCOMPARE(platform::toQColor(platform::rgbValue(1, 2, 3)), QColor(1, 2, 3));
    QCOMPARE(platform::fromQColor(QColor(255, 0, 0)), 255);
    QCOMPARE(platform::fromQColor(QColor(0, 0, 255)), 0xFF0000);
    QCOMPARE(platform::parseColorValue(QStringLiteral("-2147483643")), platform::kWindowBackground);
    QCOMPARE(platform::toQColor(platform::kWindowBackground, QPalette(Qt::red, Qt::green)),
             QPalette(Qt::red, Qt::green).color(QPalette::Base));
    QVERIFY_THROWS_EXCEPTION(platform::AppError, platform::parseColorValue(QStringLiteral("red")));
    QVERIFY_THROWS_EXCEPTION(platform::AppError, platform::parseColorValue(QStringLiteral("99999999999")));
    QVERIFY_THROWS_EXCEPTION(platform::AppError, platform::toQColor(0x7000000));
}

void tst_platform::fontFamiliesAreNamedOnce()
{
    QCOMPARE(platform::familyNames({"C059 [UKWN]", "Sans", "C059 [urw]", "Odd [x] y", "C059"}),
             (QStringList{"C059", "Sans", "Odd [x] y"}));
    const QStringList installed = platform::QtFonts().families();
    QVERIFY(!installed.isEmpty());
    for (const QString& name : installed)
        QVERIFY2(!name.endsWith(u']') && installed.count(name) == 1, qPrintable(name));
}

void tst_platform::saveDialogRefusesAMissingFolder()
{
    QTemporaryDir dir;
    platform::FileRequest request;
    request.kind = platform::FileRequest::Kind::Save;
    request.title = QStringLiteral("Save As");
    request.pathMustExist = true;
    // The user types a name in a folder that does not exist, is told so, then types another.
    const QStringList typed = {dir.filePath("missing/a.txt"), dir.filePath("a.txt")};
    qsizetype next = 0;
    QStringList refusals;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            refusals << box->text();
            box->accept();
        } else if (auto* d = qobject_cast<QFileDialog*>(w); d && next < typed.size()) {
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed.at(next++));
            QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection); // as Save does
        }
    });
    user.start(1);
    const platform::FileAnswer answer = platform::QtDialogs().file(nullptr, request);
    QCOMPARE(refusals.size(), 1);
    QVERIFY2(refusals[0].contains(dir.filePath("missing")), qPrintable(refusals[0]));
    QVERIFY(answer.accepted);
    QCOMPARE(answer.fileName, typed.at(1));
}

void tst_platform::settingsDefaultsAndValues()
{
    QTemporaryDir dir;
    platform::SettingsStore store(dir.path());
    QCOMPARE(store.GetSetting("Quiple", "Settings", "MainLeft", "300"), QStringLiteral("300"));
    store.SaveSetting("Quiple", "Settings", "FontName", "Sans, Bold");
    store.SaveSetting("Quiple", "Settings", "Empty", "");
    platform::SettingsStore again(dir.path());
    QCOMPARE(again.GetSetting("Quiple", "Settings", "FontName", "x"), QStringLiteral("Sans, Bold"));
    QCOMPARE(again.GetSetting("Quiple", "Settings", "Empty", "x"), QString());
    QVERIFY(QFile::exists(dir.filePath("Quiple/Quiple.conf")));
}

void tst_platform::trapShowsStandardBox()
{
    FakeMessageBox box;
    const bool ran = platform::Trap(box, nullptr, QStringLiteral("Proc"), [] {
        platform::raise(53, QStringLiteral("File not found"));
    });
    QVERIFY(!ran);
    QCOMPARE(box.shown.size(), 1);
    QCOMPARE(box.shown[0].prompt, QStringLiteral("Error: 53. File not found"));
    QCOMPARE(box.shown[0].title, QStringLiteral("Proc"));
    QCOMPARE(box.shown[0].icon, platform::Icon::None);
    QVERIFY(platform::Trap(box, nullptr, QStringLiteral("Proc"), [] {}));
}

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
