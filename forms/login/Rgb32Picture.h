#pragma once
// The login window's pictures are stored as the pixels the window shows (resources/login/*.rgb32,
// written by make-login-pictures.sh), so that opening the window decodes nothing.
#include <QPixmap>
#include <QSize>
#include <QString>

namespace forms {

// The picture in the uncompressed resource at `path`: Qt's RGB32 words (0xffRRGGBB), row after
// row, with no header. An empty pixmap when the resource does not hold `size` of them.
QPixmap rgb32Picture(const QString& path, QSize size);

}  // namespace forms
