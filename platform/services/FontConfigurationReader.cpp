#include "FontConfigurationReader.h"

#include <fontconfig/fontconfig.h>

TFontConfigurationReader::TFontConfigurationReader() : Reader([] { FcInit(); }) {}

TFontConfigurationReader::~TFontConfigurationReader() {
    Wait();
}

void TFontConfigurationReader::Wait() {
    if (Reader.joinable()) Reader.join();
}
