#include "platform/SendKeys.h"

#include "platform/AppError.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <deque>

namespace platform {

namespace {

[[noreturn]] void malformed(qsizetype position, const QString& what)
{
    raise(err::InvalidProcedureCall,
          QStringLiteral("Invalid key sequence at character %1: %2").arg(position + 1).arg(what));
}

QString quoted(const QString& s)
{
    constexpr qsizetype kShown = 24;
    return u'"' + (s.size() > kShown ? s.left(kShown) + QStringLiteral("...") : s) + u'"';
}

struct NamedKey {
    const char* name;
    int key;
    const char16_t* text;
    Qt::KeyboardModifiers modifiers;
};

const NamedKey kNamedKeys[] = {
    {"BACKSPACE", Qt::Key_Backspace, u"\b", {}},
    {"BS", Qt::Key_Backspace, u"\b", {}},
    {"BKSP", Qt::Key_Backspace, u"\b", {}},
    {"BREAK", Qt::Key_Pause, u"", {}},
    {"CAPSLOCK", Qt::Key_CapsLock, u"", {}},
    {"DELETE", Qt::Key_Delete, u"", {}},
    {"DEL", Qt::Key_Delete, u"", {}},
    {"DOWN", Qt::Key_Down, u"", {}},
    {"END", Qt::Key_End, u"", {}},
    {"ENTER", Qt::Key_Return, u"\r", {}},
    {"ESC", Qt::Key_Escape, u"\x1b", {}},
    {"ESCAPE", Qt::Key_Escape, u"\x1b", {}},
    {"HELP", Qt::Key_Help, u"", {}},
    {"HOME", Qt::Key_Home, u"", {}},
    {"INSERT", Qt::Key_Insert, u"", {}},
    {"INS", Qt::Key_Insert, u"", {}},
    {"LEFT", Qt::Key_Left, u"", {}},
    {"NUMLOCK", Qt::Key_NumLock, u"", {}},
    {"PGDN", Qt::Key_PageDown, u"", {}},
    {"PGUP", Qt::Key_PageUp, u"", {}},
    {"PRTSC", Qt::Key_Print, u"", {}},
    {"RIGHT", Qt::Key_Right, u"", {}},
    {"SCROLLLOCK", Qt::Key_ScrollLock, u"", {}},
    {"TAB", Qt::Key_Tab, u"\t", {}},
    {"UP", Qt::Key_Up, u"", {}},
    {"ADD", Qt::Key_Plus, u"+", Qt::KeypadModifier},
    {"SUBTRACT", Qt::Key_Minus, u"-", Qt::KeypadModifier},
    {"MULTIPLY", Qt::Key_Asterisk, u"*", Qt::KeypadModifier},
    {"DIVIDE", Qt::Key_Slash, u"/", Qt::KeypadModifier},
};

KeyStroke enterKey(Qt::KeyboardModifiers held)
{
    return {Qt::Key_Return, held, QStringLiteral("\r"), 1};
}

// What a key reports when modifiers are held, as a keyboard reports it: Shift gives capitals,
// Ctrl with a letter the control character, Alt types nothing; Shift+Tab is Backtab.
void applyModifiers(KeyStroke& k)
{
    const Qt::KeyboardModifiers m = k.modifiers;
    if (k.key == Qt::Key_Tab && m.testFlag(Qt::ShiftModifier)) {
        k.key = Qt::Key_Backtab;
        k.text.clear();
        return;
    }
    if (m.testFlag(Qt::AltModifier) || m.testFlag(Qt::MetaModifier)) {
        k.text.clear();
    } else if (m.testFlag(Qt::ControlModifier)) {
        if (k.key >= Qt::Key_A && k.key <= Qt::Key_Z)
            k.text = QChar(char16_t(1 + k.key - Qt::Key_A));
        else if (k.key != Qt::Key_Return && k.key != Qt::Key_Tab)
            k.text.clear();
    } else if (m.testFlag(Qt::ShiftModifier)) {
        k.text = k.text.toUpper();
    }
}

KeyStroke characterKey(const QString& ch, Qt::KeyboardModifiers held)
{
    const char32_t c = ch.size() == 2 ? QChar::surrogateToUcs4(ch.at(0), ch.at(1)) : ch.at(0).unicode();
    KeyStroke k;
    k.modifiers = held;
    k.text = ch;
    if (c == u'\n' || c == u'\r') {
        k = enterKey(held);
    } else if (c == u'\t') {
        k.key = Qt::Key_Tab;
    } else if (c < 0x20 || c == 0x7f || (c >= 0xd800 && c <= 0xdfff)) {
        k.key = Qt::Key_unknown; // nothing on a keyboard types it; the receiver decides
    } else {
        // Qt's key codes of printable characters are their upper-case code points.
        k.key = int(QChar::toUpper(c));
    }
    applyModifiers(k);
    return k;
}

// The length of the character at i: a surrogate pair is one character of two code units.
qsizetype characterLength(const QString& s, qsizetype i)
{
    return (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
}

KeyStroke namedKey(const QString& name, Qt::KeyboardModifiers held, qsizetype position)
{
    const QString upper = name.toUpper();
    for (const NamedKey& n : kNamedKeys) {
        if (upper == QLatin1String(n.name)) {
            KeyStroke k{n.key, held | n.modifiers, QString::fromUtf16(n.text), 1};
            applyModifiers(k);
            return k;
        }
    }
    if (upper.size() >= 2 && upper.size() <= 3 && upper.at(0) == u'F') {
        bool ok = false;
        const int f = QStringView(upper).mid(1).toInt(&ok);
        if (ok && f >= 1 && f <= 16 && upper.at(1) != u'0' && upper.at(1) != u'+')
            return {Qt::Key_F1 + (f - 1), held, QString(), 1};
    }
    malformed(position, QStringLiteral("unknown key name %1").arg(quoted(name)));
}

// Reads "{...}" starting at the brace at open; appends the key and returns the index after it.
qsizetype readBraces(const QString& s, qsizetype open, Qt::KeyboardModifiers held, QList<KeyStroke>& out)
{
    const qsizetype first = open + 1;
    if (first >= s.size())
        malformed(open, QStringLiteral("\"{\" without a matching \"}\""));
    const qsizetype charLen = characterLength(s, first);
    // The first character may itself be a brace: "{}}" types "}", "{{}" types "{".
    const qsizetype close = s.indexOf(u'}', first + charLen);
    if (close < 0)
        malformed(open, QStringLiteral("\"{\" without a matching \"}\""));
    const QString content = s.mid(first, close - first);

    QString name = content;
    int repeat = 1;
    const qsizetype space = content.lastIndexOf(u' ');
    if (space >= charLen) {
        name = content.left(space);
        while (name.size() > charLen && name.endsWith(u' '))
            name.chop(1);
        const QString count = content.mid(space + 1);
        bool digits = !count.isEmpty();
        for (const QChar ch : count)
            digits = digits && ch >= u'0' && ch <= u'9';
        if (!digits)
            malformed(first + space + 1, QStringLiteral("the count %1 is not a number").arg(quoted(count)));
        bool ok = false;
        const qint64 value = count.toLongLong(&ok);
        if (!ok || value > kMaxKeyRepeat)
            malformed(first + space + 1, QStringLiteral("the count %1 is larger than %2")
                                             .arg(quoted(count)).arg(kMaxKeyRepeat));
        repeat = int(value);
    }

    KeyStroke k = name.size() == characterLength(name, 0) ? characterKey(name, held)
                                                          : namedKey(name, held, first);
    k.repeat = repeat;
    if (repeat > 0)
        out.append(k);
    return close + 1;
}

// The program's key queue. Like the system's keyboard queue it stands for, there is one per
// program and it lives on the user-interface thread.
struct KeyQueue {
    std::deque<KeyStroke> keys; // repeat: presses still to deliver
    bool flushPosted = false;
};

KeyQueue& keyQueue()
{
    static KeyQueue queue;
    return queue;
}

void sendKeyEvent(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    // Each event goes to whichever widget has the focus now: an earlier key may have moved it.
    QPointer<QWidget> target = keyReceiver();
    if (!target)
        return;
    QKeyEvent event(type, key, modifiers, text);
    QCoreApplication::sendEvent(target, &event);
}

// One press and release of a key, with its modifier keys going down before it and up after it.
// False when no widget of the program could receive it.
bool pressOnce(const KeyStroke& k)
{
    if (!keyReceiver())
        return false;
    static const std::pair<Qt::KeyboardModifier, int> kModifierKeys[] = {
        {Qt::ShiftModifier, Qt::Key_Shift},
        {Qt::ControlModifier, Qt::Key_Control},
        {Qt::AltModifier, Qt::Key_Alt},
        {Qt::MetaModifier, Qt::Key_Meta}};
    Qt::KeyboardModifiers down;
    for (const auto& [modifier, key] : kModifierKeys) {
        if (k.modifiers.testFlag(modifier)) {
            sendKeyEvent(QEvent::KeyPress, key, down, QString());
            down |= modifier;
        }
    }
    sendKeyEvent(QEvent::KeyPress, k.key, k.modifiers, k.text);
    sendKeyEvent(QEvent::KeyRelease, k.key, k.modifiers, k.text);
    for (auto it = std::rbegin(kModifierKeys); it != std::rend(kModifierKeys); ++it) {
        if (k.modifiers.testFlag(it->first)) {
            sendKeyEvent(QEvent::KeyRelease, it->second, down, QString());
            down &= ~Qt::KeyboardModifiers(it->first);
        }
    }
    return true;
}

// Delivers the queue in order, one press at a time, so that keys which the handlers of a key
// queue meanwhile join the end in their turn. Keys that nothing can receive are dropped, as
// keys typed while no window of the program is active are.
void flushQueue()
{
    KeyQueue& q = keyQueue();
    while (!q.keys.empty()) {
        KeyStroke k = q.keys.front();
        k.repeat = 1;
        if (--q.keys.front().repeat <= 0)
            q.keys.pop_front();
        pressOnce(k);
    }
}

void requireUserInterfaceThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QApplication*>(app))
        raise(err::InvalidProcedureCall, QStringLiteral("Keys can only be sent while the program runs"));
    if (QThread::currentThread() != app->thread())
        raise(err::InvalidProcedureCall,
              QStringLiteral("Keys can only be sent from the user-interface thread"));
}

} // namespace

QList<KeyStroke> parseKeys(const QString& s)
{
    QList<KeyStroke> out;
    QList<Qt::KeyboardModifiers> groups; // the modifiers each open group holds
    QList<qsizetype> groupOpenedAt;
    Qt::KeyboardModifiers pending;       // for the next key or group
    qsizetype pendingAt = -1;
    auto held = [&] { return (groups.isEmpty() ? Qt::KeyboardModifiers() : groups.last()) | pending; };
    auto modifier = [&](Qt::KeyboardModifier m, qsizetype i) {
        if (!pending)
            pendingAt = i;
        pending |= m;
    };

    for (qsizetype i = 0; i < s.size();) {
        switch (s.at(i).unicode()) {
        case u'+': modifier(Qt::ShiftModifier, i); ++i; continue;
        case u'^': modifier(Qt::ControlModifier, i); ++i; continue;
        case u'%': modifier(Qt::AltModifier, i); ++i; continue;
        case u'~':
            out.append(enterKey(held()));
            break;
        case u'(':
            groups.append(held());
            groupOpenedAt.append(i);
            break;
        case u')':
            if (pending)
                malformed(pendingAt, QStringLiteral("a modifier with no key after it"));
            if (groups.isEmpty())
                malformed(i, QStringLiteral("\")\" without a matching \"(\""));
            groups.removeLast();
            groupOpenedAt.removeLast();
            break;
        case u'}':
            malformed(i, QStringLiteral("\"}\" without a matching \"{\""));
        case u'{':
            i = readBraces(s, i, held(), out);
            pending = {};
            continue;
        default: {
            const qsizetype len = characterLength(s, i);
            // A line break written as CR LF is one Enter.
            const qsizetype take = (s.at(i) == u'\r' && i + 1 < s.size() && s.at(i + 1) == u'\n') ? 2 : len;
            out.append(characterKey(s.mid(i, len), held()));
            pending = {};
            i += take;
            continue;
        }
        }
        pending = {};
        ++i;
    }
    if (pending)
        malformed(pendingAt, QStringLiteral("a modifier with no key after it"));
    if (!groups.isEmpty())
        malformed(groupOpenedAt.last(), QStringLiteral("\"(\" without a matching \")\""));
    return out;
}

QString escapeKeys(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'+': case u'^': case u'%': case u'~': case u'(': case u')':
        case u'{': case u'}': case u'[': case u']':
            out += u'{';
            out += c;
            out += u'}';
            break;
        case u'\r':
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            out += u'~';
            break;
        case u'\n':
            out += u'~';
            break;
        case u'\t':
            out += QStringLiteral("{TAB}");
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

void SendKeys(const QString& sequence, bool wait)
{
    const QList<KeyStroke> strokes = parseKeys(sequence);
    requireUserInterfaceThread();
    KeyQueue& q = keyQueue();
    if (!wait) {
        for (const KeyStroke& k : strokes)
            q.keys.push_back(k);
        if (!q.keys.empty() && !q.flushPosted) {
            q.flushPosted = true;
            QTimer::singleShot(0, QCoreApplication::instance(), [] {
                keyQueue().flushPosted = false;
                flushQueue();
            });
        }
        return;
    }
    flushQueue();
    for (const KeyStroke& k : strokes) {
        for (int n = 0; n < k.repeat; ++n) {
            if (!pressOnce(k))
                raise(err::InvalidProcedureCall,
                      QStringLiteral("No window of the program has the keyboard focus to receive the keys"));
            flushQueue();
        }
    }
}

QWidget* keyReceiver()
{
    if (QWidget* w = QApplication::focusWidget())
        return w;
    return QApplication::activeWindow();
}

qsizetype pendingKeys()
{
    qsizetype n = 0;
    for (const KeyStroke& k : keyQueue().keys)
        n += k.repeat;
    return n;
}

} // namespace platform
