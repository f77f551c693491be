#include "platform/Fonts.h"

#include <QFontDatabase>

namespace platform {

QStringList QtFonts::families()
{
    return QFontDatabase::families();
}

} // namespace platform
