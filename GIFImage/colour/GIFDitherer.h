#pragma once
// Ditherers: they map a picture's colours onto a palette through a colour
// lookup, row by row in serpentine order (left to right on even rows, right
// to left on odd rows, counting from 0), and spread each pixel's error onto
// the pixels ahead and below by their kernel.
//
// Use:
//     for each row y:
//         for width pixels:  x = d.Column(); out[x] = d.Dither(r[x], g[x], b[x]);
//                            (or d.Skip() for a pixel that is not to be dithered)
//         d.NextLine();
//
// Error arithmetic (modes 1-6): per colour component, corrected = component +
// (accumulated error + divisor div 2) div divisor, truncated toward zero and
// clamped to 0..255; e = corrected - the chosen entry's component; e × weight
// goes to each kernel position. "Ahead" is the walking direction, so kernels
// mirror on odd rows.

#include "GIFColorLookup.h"

#include <array>
#include <memory>
#include <vector>

enum TDitherMode : uint8_t {
    dmNearest = 0,
    dmFloydSteinberg = 1,
    dmStucki = 2,
    dmSierra = 3,
    dmJaJuNi = 4,
    dmSteveArche = 5,
    dmBurkes = 6,
};
inline constexpr int DitherModeCount = 7;

// Mode 0: the nearest colour only. Base of all ditherers.
class TDitherEngine {
public:
    TDitherEngine(int width, TColorLookup& lookup);
    virtual ~TDitherEngine() = default;
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    // The ditherer of a mode 0..6; null for any other mode.
    static std::unique_ptr<TDitherEngine> Create(int mode, int width, TColorLookup& lookup);

    // The palette index for the pixel at Column(), whose colour is given;
    // then the column moves one pixel on in the walking direction.
    virtual int Dither(uint8_t red, uint8_t green, uint8_t blue);
    // Moves past the pixel at Column() without dithering it (a transparent
    // pixel): no error is read or spread there, and the error carried along
    // the row from the last dithered pixel stays as it is for the next one.
    virtual void Skip() { CurrentColumn += Step; }
    // Ends the row: the next row starts at its other end.
    virtual void NextLine();

    int Column() const { return CurrentColumn; }
    // +1 on even rows, -1 on odd rows.
    int Direction() const { return Step; }
    int Row() const { return CurrentRow; }
    int Width() const { return RowWidth; }
    TColorLookup& Lookup() { return ColorLookup; }

protected:
    TColorLookup& ColorLookup;
    int RowWidth;
    int CurrentColumn = 0;
    int Step = 1;
    int CurrentRow = 0;
};

// One weight of a kernel: the row (0 the current one, 1 the next, ...), the
// position relative to the pixel in walking direction, and the weight.
struct TDitherWeight {
    int Row;
    int Offset;
    int Weight;
};

// Error diffusion by a kernel. Errors of the current row that go ahead are
// carried from pixel to pixel (Skip keeps them); those for the following
// rows are kept in rows of integers with spare entries at each side.
class TErrorDiffusionDitherer : public TDitherEngine {
public:
    TErrorDiffusionDitherer(int width, TColorLookup& lookup, int divisor, std::vector<TDitherWeight> kernel);
    int Dither(uint8_t red, uint8_t green, uint8_t blue) override;
    void NextLine() override;

    // Damped diffusion (our own, for the best-quality reduction): the error
    // a pixel receives is taken at sixteenths / 16; 16, the default, is the
    // kernel's full diffusion. Damping trades a little smoothness of
    // gradients for much less noise.
    void SetErrorScale(int sixteenths) { ErrorScale = sixteenths; }

    int Divisor() const { return ErrorDivisor; }
    const std::vector<TDitherWeight>& Kernel() const { return Weights; }

private:
    int* ErrorRow(int row) { return ErrorRows[static_cast<size_t>(row)].data(); }

    int ErrorDivisor;
    int ErrorScale = 16;
    std::vector<TDitherWeight> Weights;
    std::vector<TDitherWeight> Below; // the weights of following rows
    int AheadWeight1 = 0;             // current row, +1
    int AheadWeight2 = 0;             // current row, +2
    int Spare = 0;
    // ErrorRows[0] holds what earlier rows sent to the current row.
    std::vector<std::vector<int>> ErrorRows;
    std::array<int, 3> Carry1{}; // for the next pixel
    std::array<int, 3> Carry2{}; // for the pixel after it
};

// Mode 1, divisor 16: current +1 7; next -1 3, 0 5, +1 1.
class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
public:
    TFloydSteinbergDitherer(int width, TColorLookup& lookup);
};

// Base of the three-row kernels (modes 2, 3 and 4).
class T5by3Ditherer : public TErrorDiffusionDitherer {
public:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};

// Mode 2, divisor 42.
class TStuckiDitherer : public T5by3Ditherer {
public:
    TStuckiDitherer(int width, TColorLookup& lookup);
};

// Mode 3, divisor 32.
class TSierraDitherer : public T5by3Ditherer {
public:
    TSierraDitherer(int width, TColorLookup& lookup);
};

// Mode 4 (Jarvis, Judice and Ninke), divisor 48.
class TJaJuNiDitherer : public T5by3Ditherer {
public:
    TJaJuNiDitherer(int width, TColorLookup& lookup);
};

// Mode 5 (Stevenson and Arce), divisor 200, four rows.
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
public:
    TSteveArcheDitherer(int width, TColorLookup& lookup);
};

// Mode 6, divisor 32, two rows.
class TBurkesDitherer : public TErrorDiffusionDitherer {
public:
    TBurkesDitherer(int width, TColorLookup& lookup);
};
