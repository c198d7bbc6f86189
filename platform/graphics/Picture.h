#pragma once
// The picture holder and the registry of graphic classes by file extension and
// by clipboard format. The newest registration of an extension or format wins.

#include "Graphic.h"

#include <memory>
#include <string>
#include <vector>

struct TGraphicClass {
    std::string ClassName;
    TGraphicFactory Create;
};

class TPicture {
public:
    // Extensions are given without the dot and matched without regard to case.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   const TGraphicClass& graphicClass);
    static void RegisterClipboardFormat(const std::string& format, const TGraphicClass& graphicClass);
    static void UnregisterGraphicClass(const std::string& className);

    static const TGraphicClass* ClassForExtension(const std::string& extension);
    static const TGraphicClass* ClassForClipboardFormat(const std::string& format);
    static const TGraphicClass* ClassByName(const std::string& className);
    // "GIF Image (*.gif)|*.gif|..." style list of what can be opened.
    static std::string FileFilter();

    // The graphic; one that was deferred is made now.
    TGraphic* Graphic() const;
    // The graphic as far as it has been made: null while it is deferred.
    TGraphic* MadeGraphic() const { return Held.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // Holds a graphic that make produces when the graphic is first asked for,
    // so that a picture that is never shown is never decoded. Making it does
    // not count as a change. A make that fails leaves no graphic, and its
    // error passes to the caller that asked.
    void SetDeferred(std::function<std::unique_ptr<TGraphic>()> make);
    bool Deferred() const { return static_cast<bool>(Make); }
    int Width() const { return Graphic() ? Held->Width() : 0; }
    int Height() const { return Graphic() ? Held->Height() : 0; }

    // Chooses the class by the file's extension; throws EInvalidGraphic for
    // an unknown extension and the stream errors for a missing file.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // The stored form of window descriptions: the class name as a
    // length-prefixed string, then the graphic's own data. An empty name
    // stores no picture.
    void ReadStored(TStream& stream);
    void WriteStored(TStream& stream) const;

    // Clipboard exchange: the first registered format that the clipboard holds.
    void LoadFromClipboard();
    void SaveToClipboard() const;

    std::function<void(TPicture&)> OnChange;

private:
    void GraphicChanged();
    void Hold(std::unique_ptr<TGraphic> graphic) const;
    mutable std::unique_ptr<TGraphic> Held;
    mutable std::function<std::unique_ptr<TGraphic>()> Make;
};
