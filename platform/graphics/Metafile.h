#pragma once
// The metafile: a recorded drawing (a QPicture) that is played into any
// rectangle. Its size is the recording's bounding rectangle unless set.

#include "Graphic.h"

#include <QPicture>

class TMetafile : public TGraphic {
public:
    TMetafile() { IsTransparent = true; }

    std::string ClassName() const override { return "TMetafile"; }
    // Plays the drawing scaled from its size into rect.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    int Width() const override { return Size.width(); }
    int Height() const override { return Size.height(); }
    bool Empty() const override { return Size.isEmpty(); }

    // Qt's picture format.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

    // Takes the drawing; its bounding rectangle's size becomes the size.
    void SetPicture(const QPicture& picture);
    void SetSize(int width, int height) { Size = QSize(width, height); }
    const QPicture& Picture() const { return Drawing; }
    // Plays the drawing into image over its whole area.
    void PlayInto(QImage& image) const;

private:
    QPicture Drawing;
    QSize Size;
};
