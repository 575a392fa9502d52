#pragma once
// An icon that reads its pictures when it is first drawn or measured, not when it is made: the
// program hands out its icon at start-up, long before a window that shows it opens.
#include <QIcon>
#include <QIconEngine>
#include <functional>
#include <memory>
#include <optional>

namespace forms {

class DeferredIconEngine final : public QIconEngine {
public:
    // `build` must give a non-empty icon; it runs once, on the first use of this icon or a copy.
    explicit DeferredIconEngine(std::function<QIcon()> build);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    struct Pictures {
        std::function<QIcon()> build;
        std::optional<QIcon> icon;
    };
    const QIcon& icon();

    // Shared by copies, so that the pictures are read once however often the icon is copied.
    std::shared_ptr<Pictures> pictures_;
};

}  // namespace forms
