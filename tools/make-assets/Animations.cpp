#include "Animations.h"

#include "GIFAppExtNSLoop.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"

#include <QDir>
#include <QFont>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <iostream>

namespace {

constexpr double Pi = 3.14159265358979323846;

QFont Bold(int pixelSize) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

// Appends one drawn frame with its own colour table (reduced by Qt for the
// asset only) and the delay in hundredths of a second.
void AddFrame(TGIFImage& gif, const QImage& picture, uint16_t delay, bool loop) {
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    auto frame = std::make_unique<TGIFSubImage>(&gif);
    frame->SetWidth(static_cast<uint16_t>(indexed.width()));
    frame->SetHeight(static_cast<uint16_t>(indexed.height()));
    for (QRgb c : indexed.colorTable())
        frame->ColorMap.Add(RGBColor(static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
                                     static_cast<uint8_t>(qBlue(c))));
    for (int y = 0; y < indexed.height(); ++y)
        std::memcpy(frame->ScanLine(y), indexed.constScanLine(y), static_cast<size_t>(indexed.width()));
    if (loop) frame->Extensions.Add(std::make_unique<TGIFAppExtNSLoop>(*frame));
    auto control = std::make_unique<TGIFGraphicControlExtension>(*frame);
    control->SetDelay(delay);
    control->SetDisposal(TGIFDisposal::DoNotDispose);
    frame->Extensions.Add(std::move(control));
    gif.Add(std::move(frame));
}

// Every frame shows for `delay` hundredths of a second, the last one for
// `lastDelay` when that is given.
bool WriteAnimation(const QString& path, int width, int height, int frames, uint16_t delay,
                    const std::function<void(QPainter&, int frame)>& draw, uint16_t lastDelay = 0) {
    TGIFImage gif;
    gif.Header.SetWidth(static_cast<uint16_t>(width));
    gif.Header.SetHeight(static_cast<uint16_t>(height));
    for (int i = 0; i < frames; ++i) {
        QImage picture(width, height, QImage::Format_RGB32);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, i);
        painter.end();
        const bool last = i == frames - 1;
        AddFrame(gif, picture, last && lastDelay ? lastDelay : delay, i == 0);
    }
    try {
        gif.SaveToFile(path.toStdString());
        return true;
    } catch (const std::exception& e) {
        std::cerr << "make-assets: " << e.what() << '\n';
        return false;
    }
}

// A plain night sky: flat colours keep the frames' colour tables small and exact.
void Night(QPainter& p, int width, int height, int hue) {
    p.fillRect(0, 0, width, height, QColor::fromHsv(hue, 220, 45));
}

} // namespace

bool WriteAnimations(const QString& directory) {
    const QDir dir(directory);
    bool ok = true;
    // The main window's banner: the name, its letters lighting up in turn.
    ok &= WriteAnimation(dir.filePath("banner.gif"), 496, 70, 12, 12, [](QPainter& p, int f) {
        Night(p, 496, 70, 230);
        const QString title = "TULVA AND VESK";
        p.setFont(Bold(38));
        const QFontMetrics metrics(p.font());
        int x = (496 - metrics.horizontalAdvance(title)) / 2;
        for (int i = 0; i < title.size(); ++i) {
            const bool lit = (i + f) % 12 < 3;
            p.setPen(lit ? QColor(255, 255, 120) : QColor(240, 200, 40));
            p.drawText(x, 50, QString(title[i]));
            x += metrics.horizontalAdvance(title[i]);
        }
    });
    // The main window's large picture: digits drifting over a starry sky,
    // with the two counts of the game.
    ok &= WriteAnimation(dir.filePath("digits.gif"), 496, 406, 16, 10, [](QPainter& p, int f) {
        Night(p, 496, 406, 220);
        for (int i = 0; i < 60; ++i) {
            const double x = std::fmod(i * 83.7, 496.0);
            const double y = std::fmod(i * 47.3 + f * (2 + i % 5), 406.0);
            p.setPen(QColor::fromHsv((i * 37) % 360, 150, 255));
            p.setFont(Bold(14 + i % 4 * 6));
            p.drawText(QPointF(x, y), QString::number(i % 10));
        }
        p.setFont(Bold(44));
        p.setPen(QColor(255, 230, 60));
        p.drawText(QRect(0, 120, 496, 60), Qt::AlignCenter, "TULVA");
        p.setPen(QColor(120, 220, 255));
        p.drawText(QRect(0, 200, 496, 60), Qt::AlignCenter, "VESK");
    });
    // The picture over the attempts list of the four-digit game.
    ok &= WriteAnimation(dir.filePath("hint.gif"), 306, 186, 8, 20, [](QPainter& p, int f) {
        Night(p, 306, 186, 200);
        p.setFont(Bold(22));
        p.setPen(QColor(255, 230, 60));
        p.drawText(QRect(0, 30, 306, 40), Qt::AlignCenter, "Find the number!");
        p.setFont(Bold(34));
        const QString digits = "1234";
        for (int i = 0; i < 4; ++i) {
            p.setPen(i == f % 4 ? QColor(255, 120, 80) : QColor(200, 220, 255));
            p.drawText(QRect(60 + i * 48, 90, 40, 50), Qt::AlignCenter, QString(digits[i]));
        }
    });
    // The congratulation window's fireworks: bursts that open and fade.
    ok &= WriteAnimation(dir.filePath("fireworks.gif"), 374, 304, 14, 8, [](QPainter& p, int f) {
        Night(p, 374, 304, 240);
        const QPointF centres[] = {{90, 90}, {270, 70}, {190, 200}};
        for (int b = 0; b < 3; ++b) {
            const int age = (f + b * 5) % 14;
            const double radius = 8 + age * 7;
            const int alpha = std::max(0, 255 - age * 18);
            for (int k = 0; k < 16; ++k) {
                const double angle = 2 * Pi * k / 16;
                const QPointF spark = centres[b] + QPointF(std::cos(angle), std::sin(angle)) * radius;
                p.setPen(Qt::NoPen);
                p.setBrush(QColor::fromHsv((b * 120 + k * 7) % 360, 200, 255, alpha));
                p.drawEllipse(spark, 3.5, 3.5);
            }
        }
    });
    // The visual help: the number 1234 over the guess 1528; an arrow down
    // the first column spells Tulva, a diagonal one from the upper 2 to the
    // lower 2 spells Vesk; the last frame, with both, stays longest.
    ok &= WriteAnimation(
        dir.filePath("visual-help.gif"), 400, 400, 38, 8,
        [](QPainter& p, int f) {
            p.fillRect(0, 0, 400, 400, QColor(20, 40, 160));
            const QString upper = "1234", lower = "1528";
            p.setFont(Bold(40));
            for (int c = 0; c < 4; ++c) {
                p.setPen(QColor(255, 255, 255));
                p.drawRect(40 + c * 80, 60, 70, 70);
                p.drawRect(40 + c * 80, 200, 70, 70);
                p.drawText(QRect(40 + c * 80, 60, 70, 70), Qt::AlignCenter, QString(upper[c]));
                p.drawText(QRect(40 + c * 80, 200, 70, 70), Qt::AlignCenter, QString(lower[c]));
            }
            p.setPen(QPen(QColor(255, 220, 40), 5, Qt::SolidLine, Qt::RoundCap));
            // Frames 0-18: the straight arrow grows, then "Tulva" letter by letter.
            const double down = std::min(1.0, f / 8.0);
            p.drawLine(QPointF(75, 130), QPointF(75, 130 + down * 70));
            p.setFont(Bold(26));
            const QString tulva = "Tulva";
            p.drawText(30, 310, tulva.left(std::clamp(f - 8, 0, 5)));
            // Frames 19-37: the diagonal arrow, then "Vesk".
            if (f >= 19) {
                const double across = std::min(1.0, (f - 19) / 8.0);
                p.setPen(QPen(QColor(120, 255, 160), 5, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(155, 130), QPointF(155 + across * 80, 130 + across * 70));
                p.drawText(215, 310, QString("Vesk").left(std::clamp(f - 27, 0, 4)));
            }
        },
        184);
    // The About window's two small pictures.
    ok &= WriteAnimation(dir.filePath("about-small.gif"), 66, 59, 6, 15, [](QPainter& p, int f) {
        Night(p, 66, 59, 230);
        p.setFont(Bold(30));
        p.setPen(QColor::fromHsv(f * 60, 200, 255));
        p.drawText(QRect(0, 0, 66, 59), Qt::AlignCenter, QString::number(f + 1));
    });
    ok &= WriteAnimation(dir.filePath("about-large.gif"), 215, 163, 7, 15, [](QPainter& p, int f) {
        Night(p, 215, 163, 210);
        p.setFont(Bold(30));
        for (int i = 0; i < 4; ++i) {
            p.setPen(i == f % 4 ? QColor(255, 220, 60) : QColor(150, 190, 255));
            p.drawText(QRect(20 + i * 45, 40, 40, 50), Qt::AlignCenter, QString::number((i + f) % 10));
        }
        p.setFont(Bold(16));
        p.setPen(QColor(255, 255, 255));
        p.drawText(QRect(0, 110, 215, 30), Qt::AlignCenter, f % 2 ? "TULVA" : "VESK");
    });
    return ok;
}
