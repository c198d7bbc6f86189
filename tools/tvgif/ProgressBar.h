#pragma once
// A progress bar on stderr, drawn only when stderr is a terminal.

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

class TProgressBar {
public:
    TProgressBar() : Shown(isatty(STDERR_FILENO) == 1) {}
    ~TProgressBar() {
        if (Drawn) std::fputc('\n', stderr);
    }
    void Show(const std::string& message, int percent) {
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

private:
    bool Shown;
    bool Drawn = false;
};
