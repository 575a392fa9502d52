#include "forms/main/DeferredIconEngine.h"

namespace forms {

DeferredIconEngine::DeferredIconEngine(std::function<QIcon()> build)
    : pictures_(std::make_shared<Pictures>(Pictures{std::move(build), std::nullopt}))
{}

const QIcon& DeferredIconEngine::icon()
{
    if (!pictures_->icon)
        pictures_->icon = pictures_->build();
    return *pictures_->icon;
}

void DeferredIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    icon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QPixmap DeferredIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return icon().pixmap(size, mode, state);
}

QPixmap DeferredIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    return icon().pixmap(size, scale, mode, state);
}

QSize DeferredIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return icon().actualSize(size, mode, state);
}

QList<QSize> DeferredIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return icon().availableSizes(mode, state);
}

}  // namespace forms
