#pragma once

#include <QString>

class QWidget;

namespace platform {

enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Icon { None, Information, Exclamation, Question, Critical };
enum class Answer { Ok, Yes, No, Cancel };

/// Message boxes: the only way the program speaks to the user outside its own windows.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual Answer show(QWidget* owner, const QString& prompt, Buttons buttons, Icon icon,
                        const QString& title) = 0;
};

/// The real boxes, modal over their owner.
class QtMessageBox final : public MessageBox {
public:
    Answer show(QWidget* owner, const QString& prompt, Buttons buttons, Icon icon,
                const QString& title) override;
};

} // namespace platform
