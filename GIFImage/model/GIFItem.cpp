#include "GIFItem.h"

#include "GIFImage.h"

void TGIFItem::Warning(TGIFSeverity severity, const std::string& message) {
    if (OwnerImage) OwnerImage->Warning(severity, message);
}

void TGIFItem::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, TFileMode::Create);
    SaveToStream(file);
    file.Close();
}

void TGIFItem::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, TFileMode::OpenRead);
    LoadFromStream(file);
}
