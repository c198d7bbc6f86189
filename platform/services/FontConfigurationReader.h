#pragma once
// Reads the desktop's font configuration on a thread of its own while the
// application object is being made. Parsing its many files is the largest
// single step of the program's start; Qt's font database, set up when the
// first text is measured, then finds the configuration read.

#include <thread>

class TFontConfigurationReader {
public:
    // Starts reading.
    TFontConfigurationReader();
    ~TFontConfigurationReader();
    TFontConfigurationReader(const TFontConfigurationReader&) = delete;
    TFontConfigurationReader& operator=(const TFontConfigurationReader&) = delete;

    // Waits until the configuration has been read (at once if it has).
    void Wait();

private:
    std::thread Reader;
};
