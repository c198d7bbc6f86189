#pragma once
// The abstract picture of the picture framework. A graphic draws itself into a
// rectangle of a canvas, loads and saves itself through streams, and tells its
// owner about changes and progress.

#include "Geometry.h"
#include "Stream.h"

#include <functional>
#include <memory>
#include <string>

class TCanvas;
class TGraphic;

enum class TProgressStage { Starting, Running, Ending };

using TProgressEvent = std::function<void(TGraphic& sender, TProgressStage stage, int percentDone,
                                          bool redrawNow, const TRect& rect, const std::string& message)>;

class TGraphic {
public:
    virtual ~TGraphic() = default;

    // The registered class name, as stored in window descriptions.
    virtual std::string ClassName() const = 0;

    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    virtual TPalette Palette() const { return {}; }
    virtual bool Transparent() const { return IsTransparent; }
    virtual void SetTransparent(bool value);
    // Ends any animation the graphic plays; its holder is no longer shown.
    virtual void StopAnimation() {}
    // A copy that shares the decoded pixels with this graphic until either is
    // changed; null for a class that cannot share them.
    virtual std::unique_ptr<TGraphic> Share() const { return nullptr; }

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // The graphic's own part of a stored picture. By default the same bytes as
    // a saved file.
    virtual void ReadData(TStream& stream) { LoadFromStream(stream); }
    virtual void WriteData(TStream& stream) { SaveToStream(stream); }

    // Clipboard exchange under the graphic's registered clipboard format.
    virtual std::vector<uint8_t> SaveToClipboardData();
    virtual void LoadFromClipboardData(const std::vector<uint8_t>& data);

    std::function<void(TGraphic&)> OnChange;
    TProgressEvent OnProgress;

    void Changed();
    void Progress(TProgressStage stage, int percentDone, bool redrawNow, const TRect& rect,
                  const std::string& message);

protected:
    bool IsTransparent = false;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
