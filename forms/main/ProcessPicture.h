#pragma once
// The progress panel's picture: a laptop computer showing a chart, drawn as vectors so that it
// stretches to any size like the metafile it stands for.
#include <QPixmap>
#include <QSize>

namespace forms {

QPixmap laptopChartPicture(QSize size);

}  // namespace forms
