#include "forms/login/Rgb32Picture.h"

#include <QImage>
#include <QResource>
#include <bit>

namespace forms {

// The files hold the words little-endian, as every platform the tool is built for stores them.
static_assert(std::endian::native == std::endian::little);

QPixmap rgb32Picture(const QString& path, QSize size)
{
    const QResource resource(path);
    const qint64 bytesPerLine = static_cast<qint64>(size.width()) * 4;
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression
        || resource.size() != bytesPerLine * size.height())
        return {};
    // The image borrows the resource's bytes, which live as long as the program.
    const QImage pixels(resource.data(), size.width(), size.height(), bytesPerLine, QImage::Format_RGB32);
    return QPixmap::fromImage(pixels);
}

}  // namespace forms
