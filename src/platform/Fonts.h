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

class QtFonts final : public Fonts {
public:
    QStringList families() override;
};

} // namespace platform
