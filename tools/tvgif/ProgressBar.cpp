#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {
// The bar being drawn: one command runs at a time.
TProgressBar* Active = nullptr;
} // namespace

TProgressBar::TProgressBar() : Shown(isatty(STDERR_FILENO) == 1) {
    Active = this;
}

TProgressBar::~TProgressBar() {
    if (Active == this) {
        EndLine();
        Active = nullptr;
    }
}

void TProgressBar::Show(const std::string& message, int percent) {
    if (!Shown) return;
    percent = std::clamp(percent, 0, 100);
    char bar[41];
    const int filled = percent * 40 / 100;
    for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
    bar[40] = 0;
    std::fprintf(stderr, "\r%-14s [%s] %3d%%", message.c_str(), bar, percent);
    std::fflush(stderr);
    Drawn = true;
}

void TProgressBar::EndLine() {
    if (!Active || !Active->Drawn) return;
    std::fputc('\n', stderr);
    Active->Drawn = false;
}
