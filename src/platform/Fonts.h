#pragma once

#include <QStringList>

namespace platform {

/// The font families installed on the system.
class Fonts {
public:
    virtual ~Fonts() = default;
    /// One name per installed family, in the order the system reports them.
    virtual QStringList families() = 0;
};

/// Qt tells apart one family installed by several foundries as "C059 [urw]", "C059 [UKWN]";
/// the system names it once, "C059", the name users type and settings keep. Order is kept.
QStringList familyNames(const QStringList& qtFamilies);

class QtFonts final : public Fonts {
public:
    QStringList families() override;
};

} // namespace platform
