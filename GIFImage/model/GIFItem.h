#pragma once
// The base of every part of a GIF stream: it knows its image, the GIF version
// it needs, and passes its warnings to the image.

#include "GIFTypes.h"
#include "Stream.h"

#include <string>

class TGIFItem {
public:
    explicit TGIFItem(TGIFImage* image) : OwnerImage(image) {}
    virtual ~TGIFItem() = default;
    TGIFItem(const TGIFItem&) = delete;
    TGIFItem& operator=(const TGIFItem&) = delete;

    // 1 for GIF87a, 2 for GIF89a.
    virtual int Version() const { return 1; }
    virtual void Warning(TGIFSeverity severity, const std::string& message);
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    // Opens the file for reading (others may read it too) and loads it.
    void LoadFromFile(const std::string& fileName);
    // Creates or truncates the file and saves into it.
    void SaveToFile(const std::string& fileName);

    TGIFImage* Image() const { return OwnerImage; }

protected:
    TGIFImage* OwnerImage;
};
