#include "gui/Fonts.h"

#include <QFont>
#include <QStringList>

namespace gui {

void installFontSubstitutions()
{
#if defined(Q_OS_LINUX)
    // fontconfig knows neither name, and without this they fall back to a sans-serif family.
    const QStringList song{QStringLiteral("AR PL UMing CN")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
#endif
}

}  // namespace gui
