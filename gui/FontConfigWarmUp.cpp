#include "gui/FontConfigWarmUp.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <fontconfig/fontconfig.h>
#endif

namespace gui {

FontConfigWarmUp::FontConfigWarmUp()
{
#if defined(Q_OS_LINUX)
    // FcInit keeps the first configuration that finishes loading, so Qt's own call is safe at any time.
    thread_ = std::thread([] { FcInit(); });
#endif
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    if (thread_.joinable())
        thread_.join();
}

}  // namespace gui
