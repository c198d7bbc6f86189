// The ditherers: serpentine walk, kernels and error arithmetic.

#include "GIFDitherer.h"

#include <gtest/gtest.h>

namespace {

using Rgb = std::array<uint8_t, 3>;
using Rows = std::vector<std::vector<int>>;

// Dithers rows of colours and returns the chosen indices per row.
Rows DitherRows(int mode, const std::vector<std::vector<Rgb>>& picture, TColorLookup& lookup) {
    const int width = static_cast<int>(picture[0].size());
    auto ditherer = TDitherEngine::Create(mode, width, lookup);
    Rows out;
    for (const auto& row : picture) {
        std::vector<int> indices(static_cast<size_t>(width), -1);
        for (int i = 0; i < width; ++i) {
            const int x = ditherer->Column();
            indices[static_cast<size_t>(x)] = ditherer->Dither(row[x][0], row[x][1], row[x][2]);
        }
        ditherer->NextLine();
        out.push_back(indices);
    }
    return out;
}

} // namespace

TEST(GIFDitherers, WalkRowsInSerpentineOrder) {
    TNetscapeColorLookup web;
    TDitherEngine engine(3, web);
    std::vector<int> columns;
    for (int row = 0; row < 3; ++row) {
        for (int i = 0; i < 3; ++i) {
            columns.push_back(engine.Column());
            engine.Dither(0, 0, 0);
        }
        engine.NextLine();
    }
    EXPECT_EQ(columns, (std::vector<int>{0, 1, 2, 2, 1, 0, 0, 1, 2}));
    EXPECT_EQ(TDitherEngine::Create(7, 3, web), nullptr);
}

// Grey 100 on black and white, Floyd-Steinberg, worked through:
// row 0, left to right:
//   x0: 100 + (0 + 8) / 16 = 100 -> black, e = 100; carry 700; below -1:300, 0:500, 1:100
//   x1: 100 + (700 + 8) / 16 = 144 -> white, e = -111; carry -777; below 0:167, 1:-455, 2:-111
//   x2: 100 + (-777 + 8) / 16 = 52 -> black, e = 52; carry 364; below 1:-299, 2:149, 3:52
//   x3: 100 + (364 + 8) / 16 = 123 -> black, e = 123; below 2:518, 3:667
// row 1, right to left:
//   x3: 100 + (667 + 8) / 16 = 142 -> white, e = -113; carry -791
//   x2: 100 + (518 - 791 + 8) / 16 = 84 -> black, e = 84; carry 588
//   x1: 100 + (-299 + 588 + 8) / 16 = 118 -> black, e = 118; carry 826
//   x0: 100 + (167 + 826 + 8) / 16 = 162 -> white
TEST(GIFDitherers, FloydSteinbergOnAFlatGreyByHand) {
    TSlowColorLookup blackWhite({{0, 0, 0}, {255, 255, 255}});
    const std::vector<std::vector<Rgb>> grey(2, std::vector<Rgb>(4, Rgb{100, 100, 100}));
    EXPECT_EQ(DitherRows(dmFloydSteinberg, grey, blackWhite), (Rows{{0, 1, 0, 0}, {1, 0, 0, 1}}));
}

// A 6 x 2 picture on black, white, red and blue, on which the six kernels
// all give different first rows; the indices were worked out from the
// kernel tables on whole error planes, apart from this code.
TEST(GIFDitherers, EachKernelGivesItsFirstTwoRows) {
    TSlowColorLookup four({{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 0, 255}});
    const std::vector<std::vector<Rgb>> picture = {
        {{130, 90, 170}, {40, 40, 220}, {40, 130, 220}, {40, 220, 90}, {40, 40, 170}, {170, 40, 90}},
        {{60, 200, 60}, {60, 110, 60}, {200, 60, 110}, {60, 110, 150}, {200, 110, 60}, {150, 110, 60}},
    };
    EXPECT_EQ(DitherRows(dmNearest, picture, four), (Rows{{3, 3, 3, 0, 3, 2}, {0, 0, 2, 3, 2, 2}}));
    EXPECT_EQ(DitherRows(dmFloydSteinberg, picture, four), (Rows{{3, 3, 3, 1, 0, 2}, {0, 1, 2, 0, 1, 0}}));
    EXPECT_EQ(DitherRows(dmStucki, picture, four), (Rows{{3, 3, 3, 1, 3, 2}, {1, 0, 2, 0, 2, 0}}));
    EXPECT_EQ(DitherRows(dmSierra, picture, four), (Rows{{3, 3, 3, 0, 3, 2}, {1, 0, 2, 1, 1, 2}}));
    EXPECT_EQ(DitherRows(dmJaJuNi, picture, four), (Rows{{3, 3, 3, 0, 3, 2}, {1, 0, 2, 3, 1, 2}}));
    EXPECT_EQ(DitherRows(dmSteveArche, picture, four), (Rows{{3, 3, 3, 0, 3, 2}, {0, 0, 1, 3, 2, 2}}));
    EXPECT_EQ(DitherRows(dmBurkes, picture, four), (Rows{{3, 3, 3, 1, 0, 2}, {1, 0, 2, 0, 1, 0}}));
}

TEST(GIFDitherers, SkippedPixelKeepsTheCarriedErrorForTheNextOne) {
    TSlowColorLookup blackWhite({{0, 0, 0}, {255, 255, 255}});
    TFloydSteinbergDitherer fs(3, blackWhite);
    EXPECT_EQ(fs.Dither(100, 100, 100), 0); // e = 100, 700 carried
    fs.Skip();
    EXPECT_EQ(fs.Column(), 2);
    EXPECT_EQ(fs.Dither(100, 100, 100), 1); // 100 + 708 / 16 = 144
    fs.NextLine();
    EXPECT_EQ(fs.Column(), 2);
    EXPECT_EQ(fs.Direction(), -1);
}

TEST(GIFDitherers, CorrectedComponentsStayWithinTheByte) {
    // White on a black-only palette piles up error; it must not wrap.
    TSlowColorLookup black({{0, 0, 0}});
    auto stucki = TDitherEngine::Create(dmStucki, 8, black);
    for (int row = 0; row < 8; ++row) {
        for (int i = 0; i < 8; ++i) EXPECT_EQ(stucki->Dither(255, 255, 255), 0);
        stucki->NextLine();
    }
}
