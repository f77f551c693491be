#pragma once

#include <QList>
#include <QString>
#include <Qt>

class QWidget;

namespace platform {

/// One key of a key sequence, pressed `repeat` times in a row.
struct KeyStroke {
    int key = 0;                              ///< Qt::Key
    Qt::KeyboardModifiers modifiers;          ///< held while the key is pressed
    QString text;                             ///< what the key types (empty for movement keys)
    int repeat = 1;

    friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

/// The largest count a "{KEY n}" may carry.
constexpr int kMaxKeyRepeat = 32767;

/// Parses a key sequence:
///  - a plain character types itself; "~" is Enter; a line break is Enter, a tab character Tab;
///  - "{NAME}" and "{NAME n}" press a named key once or n times (LEFT, RIGHT, UP, DOWN, HOME,
///    END, PGUP, PGDN, TAB, ENTER, DEL, BS, ESC, INS, F1..F16, ...; names in any case);
///  - "{c}" and "{c n}" type the single character c, which is how "+", "^", "%", "~", "(", ")",
///    "{", "}", "[" and "]" are typed literally;
///  - "+", "^" and "%" hold Shift, Ctrl and Alt for the next key or for a group in parentheses.
/// A malformed sequence raises AppError 5 naming the place of the fault; nothing is returned
/// in part.
QList<KeyStroke> parseKeys(const QString& sequence);

/// A key sequence that types text exactly as it stands: every character the notation treats as
/// a command is enclosed in braces, line breaks become Enter and tabs Tab.
QString escapeKeys(const QString& text);

/// Delivers a key sequence to the widget that has the keyboard focus, as key presses and
/// releases, so the widget handles them exactly like typed keys.
///  - wait false: the keys join the program's key queue and are delivered once the event loop
///    runs again; the call returns at once.
///  - wait true: first everything queued is delivered, in order, then the sequence's own keys;
///    keys that the handlers queue while a key is processed are delivered before the next key.
///    The call returns when every key was processed.
/// The sequence is parsed before anything is delivered: a malformed one raises AppError 5 and
/// delivers nothing. With wait true and no widget of the program focused, AppError 5 is raised.
void SendKeys(const QString& sequence, bool wait);

/// The widget that keys sent now would reach: the focus widget, else the active window.
QWidget* keyReceiver();

/// Keys waiting in the program's key queue (a key pressed n times counts n times).
qsizetype pendingKeys();

} // namespace platform
