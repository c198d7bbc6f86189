#pragma once
// The progress bar of every tvgif command: on stderr, drawn only when stderr
// is a terminal. A message about a file ends the bar's line first (see
// EndLine), so that it never lands behind the bar.

#include <string>

class TProgressBar {
public:
    TProgressBar();
    ~TProgressBar();
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    // Draws message with a bar percent (0..100) full, over the last one.
    void Show(const std::string& message, int percent);
    // Ends the line of the bar being drawn, if any; the next Show starts a
    // new one.
    static void EndLine();

private:
    bool Shown;
    bool Drawn = false;
};
