// Saving a picture to the clipboard and reading it back, on Qt's offscreen
// platform.

#include "GIFImage.h"
#include "GIFRegistration.h"
#include "GIFTestImages.h"
#include "Picture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

void MakePicture(TGIFImage& image) {
    image.SetWidth(4);
    image.SetHeight(3);
    AddColors(image.Header.ColorMap, 4);
    AddFrame(image, 1, 1, 2, 2, Bytes{0, 1, 2, 3});
}

} // namespace

TEST(GIFClipboard, SavesTheGIFStreamAndABitmap) {
    TGIFImage image;
    MakePicture(image);
    image.SaveToClipboardFormat();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray stored = data->data(GIFClipboardFormat);
    EXPECT_EQ(Bytes(stored.begin(), stored.end()), Save(image));
    const QImage bitmap = qvariant_cast<QImage>(data->imageData());
    ASSERT_FALSE(bitmap.isNull());
    EXPECT_EQ(bitmap.size(), QSize(4, 3));
    EXPECT_EQ(qAlpha(bitmap.pixel(0, 0)), 0) << "outside the frame";
    EXPECT_EQ(bitmap.pixel(2, 2), qRgb(3, 252, 21)) << "colour 3 at its place";

    TGIFImage back;
    back.LoadFromClipboardFormat(GIFClipboardFormat);
    EXPECT_EQ(Save(back), Save(image));
}

TEST(GIFClipboard, ThePictureHolderExchangesGIFPictures) {
    RegisterGIFImage();
    auto image = std::make_unique<TGIFImage>();
    MakePicture(*image);
    const Bytes expected = Save(*image);
    TPicture picture;
    picture.SetGraphic(std::move(image));
    picture.SaveToClipboard();
    TPicture pasted;
    pasted.LoadFromClipboard();
    auto* gif = dynamic_cast<TGIFImage*>(pasted.Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(Save(*gif), expected);
    UnregisterGIFImage();
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
