#include "forms/main/ImageList.h"

#include <QBitmap>
#include <QColor>
#include <QString>

#include "forms/main/DeferredIconEngine.h"
#include "runtime/RuntimeError.h"

// Resources of a static library are registered by hand; the macro must be used outside a namespace.
static void registerMainWindowResources() { Q_INIT_RESOURCE(mainwindow); }

namespace forms::ImageList1 {

namespace {
const QColor MaskColour(192, 192, 192);

const char* const Files[Count] = {":/main/login.xpm", ":/main/delete.xpm", ":/main/refresh.xpm", ":/main/exit.xpm"};

void checkIndex(int index)
{
    if (index < 1 || index > Count)
        throw runtime::RuntimeError(35600, "Index out of bounds");
}

QIcon readIcon(int index)
{
    QIcon icon(picture(index));
    // Scaled screens and the window manager ask for more pixels than 16; the cross has them drawn.
    if (index == Index::Delete) {
        for (const int size : {24, 32, 48, 64, 128, 256})
            icon.addFile(QStringLiteral(":/main/cross-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
}  // namespace

QPixmap picture(int index)
{
    static const bool registered = (registerMainWindowResources(), true);
    (void)registered;
    checkIndex(index);
    QPixmap pixmap(QString::fromLatin1(Files[index - 1]));
    pixmap.setMask(pixmap.createMaskFromColor(MaskColour, Qt::MaskInColor));
    return pixmap;
}

QIcon icon(int index)
{
    checkIndex(index);
    // The program's icon is made at start-up; its seven pictures are read when a window shows it.
    return QIcon(new DeferredIconEngine([index] { return readIcon(index); }));
}

}  // namespace forms::ImageList1
