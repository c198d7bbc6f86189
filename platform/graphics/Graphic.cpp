#include "Graphic.h"

void TGraphic::SetTransparent(bool value) {
    if (value == IsTransparent) return;
    IsTransparent = value;
    Changed();
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, TFileMode::OpenRead);
    LoadFromStream(file);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, TFileMode::Create);
    SaveToStream(file);
    file.Close();
}

std::vector<uint8_t> TGraphic::SaveToClipboardData() {
    TMemoryStream memory;
    SaveToStream(memory);
    return memory.Memory();
}

void TGraphic::LoadFromClipboardData(const std::vector<uint8_t>& data) {
    TBorrowedMemoryStream memory(data.data(), static_cast<int64_t>(data.size()));
    LoadFromStream(memory);
}

void TGraphic::Changed() {
    if (OnChange) OnChange(*this);
}

void TGraphic::Progress(TProgressStage stage, int percentDone, bool redrawNow, const TRect& rect,
                        const std::string& message) {
    if (OnProgress) OnProgress(*this, stage, percentDone, redrawNow, rect, message);
}
