#include "Animations.h"

#include "GIFAppExtNSLoop.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"

#include <QDir>
#include <QFont>
#include <QHash>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <iostream>
#include <utility>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

QFont Bold(int pixelSize) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

// The colours of a drawn frame, most used first: all of them when there are
// at most 256, else the 256 most used. Qt's own reduction would switch a
// frame of more colours to a fixed colour cube, and a flat ground would then
// change its shade from one frame to the next; the most used colours (the
// ground and the inks) stay exact in every frame.
QList<QRgb> FramePalette(const QImage& picture) {
    QHash<QRgb, int> uses;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) ++uses[line[x] | 0xff000000u];
    }
    std::vector<std::pair<int, QRgb>> byUse;
    byUse.reserve(static_cast<size_t>(uses.size()));
    for (auto it = uses.cbegin(); it != uses.cend(); ++it) byUse.emplace_back(it.value(), it.key());
    // Most used first; equal counts in colour order, so that the picture is
    // the same at every build.
    std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QList<QRgb> palette;
    for (size_t i = 0; i < byUse.size() && i < 256; ++i) palette.push_back(byUse[i].second);
    return palette;
}

// Appends one drawn frame with its own colour table (the pixels beyond its
// colours drawn in the nearest of them) and the delay in hundredths of a second.
void AddFrame(TGIFImage& gif, const QImage& picture, uint16_t delay, bool loop) {
    const QImage indexed =
        picture.convertToFormat(QImage::Format_Indexed8, FramePalette(picture), Qt::ThresholdDither);
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

// Frame f shows for delayOf(f) hundredths of a second.
bool WriteTimedAnimation(const QString& path, int width, int height, int frames,
                         const std::function<uint16_t(int frame)>& delayOf,
                         const std::function<void(QPainter&, int frame)>& draw) {
    TGIFImage gif;
    gif.Header.SetWidth(static_cast<uint16_t>(width));
    gif.Header.SetHeight(static_cast<uint16_t>(height));
    for (int i = 0; i < frames; ++i) {
        QImage picture(width, height, QImage::Format_RGB32);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, i);
        painter.end();
        AddFrame(gif, picture, delayOf(i), i == 0);
    }
    try {
        gif.SaveToFile(path.toStdString());
        return true;
    } catch (const std::exception& e) {
        std::cerr << "make-assets: " << e.what() << '\n';
        return false;
    }
}

// Every frame shows for `delay` hundredths of a second, the last one for
// `lastDelay` when that is given.
bool WriteAnimation(const QString& path, int width, int height, int frames, uint16_t delay,
                    const std::function<void(QPainter&, int frame)>& draw, uint16_t lastDelay = 0) {
    return WriteTimedAnimation(
        path, width, height, frames,
        [&](int frame) { return frame == frames - 1 && lastDelay ? lastDelay : delay; }, draw);
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
    // The congratulation window's fireworks, 100 x 100 and stretched by the
    // window: a rocket climbs (quick frames), bursts, the sparks open and
    // fall slower and slower, and the dark sky waits longest before the next.
    constexpr int FireworkFrames = 19;
    const auto fireworkDelay = [](int f) -> uint16_t {
        if (f < 4) return 10;                  // the climb
        if (f < 12) return 10 + (f - 4) * 2;   // the burst opens
        if (f < FireworkFrames - 1) return 40; // the sparks fade
        return 90;                             // dark sky
    };
    ok &= WriteTimedAnimation(
        dir.filePath("fireworks.gif"), 100, 100, FireworkFrames, fireworkDelay, [](QPainter& p, int f) {
            Night(p, 100, 100, 240);
            const QPointF centre(50, 42);
            if (f < 4) {
                const QPointF rocket(50, 96 - f * 14);
                p.setPen(QPen(QColor(255, 200, 80), 2));
                p.drawLine(rocket, rocket + QPointF(0, 8));
                return;
            }
            if (f == FireworkFrames - 1) return;
            const int age = f - 4;
            const double radius = 6 + age * 3.2;
            const double fall = age > 7 ? (age - 7) * 1.8 : 0;
            const int alpha = std::max(40, 255 - std::max(0, age - 7) * 36);
            p.setPen(Qt::NoPen);
            for (int ring = 0; ring < 2; ++ring) {
                for (int k = 0; k < 14; ++k) {
                    const double angle = 2 * Pi * (k + ring * 0.5) / 14;
                    const double r = radius * (ring == 0 ? 1.0 : 0.6);
                    const QPointF spark = centre + QPointF(std::cos(angle) * r, std::sin(angle) * r + fall);
                    p.setBrush(QColor::fromHsv((ring * 50 + k * 25) % 360, 190, 255, alpha));
                    p.drawEllipse(spark, 2.0, 2.0);
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
