// An icon drawn when first shown answers as the icon of its picture would.
#include "DrawnIcon.h"

#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

// A 40 by 24 picture at device pixel ratio 2 with a different colour in each half.
QImage TwoColourPicture() {
    QImage image(80, 48, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::red);
    QPainter(&image).fillRect(QRect(0, 0, 20, 24), Qt::blue);
    return image;
}

QImage Painted(const QIcon& icon, const QRect& rect) {
    QImage target(60, 40, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    icon.paint(&painter, rect);
    return target;
}

} // namespace

TEST(DrawnIcon, DrawsOnceWhenFirstShownAndAnswersAsTheIconOfItsPicture) {
    int draws = 0;
    const QIcon plain(QPixmap::fromImage(TwoColourPicture()));
    const QIcon drawn = DrawnIcon(QSize(80, 48), [&draws] {
        ++draws;
        return TwoColourPicture();
    });
    const QIcon copy = drawn;

    // Made, copied and measured without drawing.
    EXPECT_FALSE(drawn.isNull());
    for (const QSize size : {QSize(40, 24), QSize(20, 20), QSize(100, 100)})
        EXPECT_EQ(drawn.actualSize(size), plain.actualSize(size)) << size.width();
    EXPECT_EQ(drawn.availableSizes(), plain.availableSizes());
    EXPECT_EQ(draws, 0);

    // The pixels, at screen scales 1 and 2 and at a smaller size.
    for (const qreal scale : {1.0, 2.0})
        for (const QSize size : {QSize(40, 24), QSize(20, 12)}) {
            const QPixmap want = plain.pixmap(size, scale);
            const QPixmap got = copy.pixmap(size, scale);
            EXPECT_EQ(got.size(), want.size()) << scale << ' ' << size.width();
            EXPECT_EQ(got.devicePixelRatio(), want.devicePixelRatio()) << scale << ' ' << size.width();
            EXPECT_EQ(got.toImage(), want.toImage()) << scale << ' ' << size.width();
        }
    EXPECT_EQ(Painted(drawn, QRect(3, 5, 50, 30)), Painted(plain, QRect(3, 5, 50, 30)));
    EXPECT_EQ(draws, 1);
}
