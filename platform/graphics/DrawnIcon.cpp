#include "DrawnIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <memory>
#include <optional>

namespace {

// The picture shared by the copies of one drawn icon.
struct TDrawing {
    QSize PixelSize;
    std::function<QImage()> Draw;
    std::optional<QIcon> Icon;

    const QIcon& Drawn() {
        if (!Icon) {
            Icon = QIcon(QPixmap::fromImage(Draw()));
            Draw = nullptr;
        }
        return *Icon;
    }
};

// Hands every request to an icon made from the drawn picture, drawing it
// first; only the sizes are answered without drawing.
class TDrawnIconEngine : public QIconEngine {
public:
    explicit TDrawnIconEngine(std::shared_ptr<TDrawing> picture) : Picture(std::move(picture)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        Picture->Drawn().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Picture->Drawn().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        // `size` is in device pixels already.
        QPixmap pixmap = Picture->Drawn().pixmap(size, 1.0, mode, state);
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    // As an icon made of one picture answers: its pixel size, scaled down
    // to fit a smaller request.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        QSize actual = Picture->PixelSize;
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        if (mode != QIcon::Normal || state != QIcon::Off) return {};
        return {Picture->PixelSize};
    }
    QIconEngine* clone() const override { return new TDrawnIconEngine(Picture); }
    bool isNull() override { return false; }
    QString key() const override { return "TDrawnIconEngine"; }

private:
    std::shared_ptr<TDrawing> Picture;
};

} // namespace

QIcon DrawnIcon(QSize pixelSize, std::function<QImage()> draw) {
    auto picture = std::make_shared<TDrawing>();
    picture->PixelSize = pixelSize;
    picture->Draw = std::move(draw);
    return QIcon(new TDrawnIconEngine(std::move(picture)));
}
