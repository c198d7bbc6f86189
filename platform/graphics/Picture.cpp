#include "Picture.h"

#include "Exceptions.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <cctype>

namespace {

struct FileFormat {
    std::string Extension;
    std::string Description;
    TGraphicClass Class;
};

struct ClipboardFormat {
    std::string Format;
    TGraphicClass Class;
};

std::vector<FileFormat>& FileFormats() {
    static std::vector<FileFormat> formats;
    return formats;
}

std::vector<ClipboardFormat>& ClipboardFormats() {
    static std::vector<ClipboardFormat> formats;
    return formats;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string ExtensionOf(const std::string& fileName) {
    const auto dot = fileName.find_last_of('.');
    const auto slash = fileName.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return fileName.substr(dot + 1);
}

} // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TGraphicClass& graphicClass) {
    FileFormats().push_back({Lower(extension), description, graphicClass});
}

void TPicture::RegisterClipboardFormat(const std::string& format, const TGraphicClass& graphicClass) {
    ClipboardFormats().push_back({format, graphicClass});
}

void TPicture::UnregisterGraphicClass(const std::string& className) {
    std::erase_if(FileFormats(), [&](const FileFormat& f) { return f.Class.ClassName == className; });
    std::erase_if(ClipboardFormats(),
                  [&](const ClipboardFormat& f) { return f.Class.ClassName == className; });
}

const TGraphicClass* TPicture::ClassForExtension(const std::string& extension) {
    std::string wanted = Lower(extension);
    if (!wanted.empty() && wanted[0] == '.') wanted.erase(0, 1);
    const auto& formats = FileFormats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->Extension == wanted) return &it->Class;
    return nullptr;
}

const TGraphicClass* TPicture::ClassForClipboardFormat(const std::string& format) {
    const auto& formats = ClipboardFormats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->Format == format) return &it->Class;
    return nullptr;
}

const TGraphicClass* TPicture::ClassByName(const std::string& className) {
    const auto& files = FileFormats();
    for (auto it = files.rbegin(); it != files.rend(); ++it)
        if (it->Class.ClassName == className) return &it->Class;
    const auto& clips = ClipboardFormats();
    for (auto it = clips.rbegin(); it != clips.rend(); ++it)
        if (it->Class.ClassName == className) return &it->Class;
    return nullptr;
}

std::string TPicture::FileFilter() {
    std::string filter;
    for (const auto& f : FileFormats()) {
        if (!filter.empty()) filter += "|";
        filter += f.Description + " (*." + f.Extension + ")|*." + f.Extension;
    }
    return filter;
}

TGraphic* TPicture::Graphic() const {
    if (Make) {
        // Taken out first: a failing make is not tried again on every paint.
        const auto make = std::move(Make);
        Make = nullptr;
        Hold(make());
    }
    return Held.get();
}

void TPicture::Hold(std::unique_ptr<TGraphic> graphic) const {
    Held = std::move(graphic);
    auto* self = const_cast<TPicture*>(this);
    if (Held) Held->OnChange = [self](TGraphic&) { self->GraphicChanged(); };
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    Make = nullptr;
    Hold(std::move(graphic));
    GraphicChanged();
}

void TPicture::SetDeferred(std::function<std::unique_ptr<TGraphic>()> make) {
    Held.reset();
    Make = std::move(make);
    GraphicChanged();
}

void TPicture::GraphicChanged() {
    if (OnChange) OnChange(*this);
}

void TPicture::LoadFromFile(const std::string& fileName) {
    const std::string extension = ExtensionOf(fileName);
    const TGraphicClass* graphicClass = ClassForExtension(extension);
    if (!graphicClass) throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
    std::unique_ptr<TGraphic> graphic = graphicClass->Create();
    graphic->LoadFromFile(fileName);
    SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (Graphic()) Held->SaveToFile(fileName);
}

void TPicture::ReadStored(TStream& stream) {
    const uint8_t length = stream.ReadByte();
    std::string className(length, '\0');
    stream.ReadExact(className.data(), length);
    if (className.empty()) {
        SetGraphic(nullptr);
        return;
    }
    const TGraphicClass* graphicClass = ClassByName(className);
    if (!graphicClass) throw EInvalidGraphic("Unknown picture class " + className);
    std::unique_ptr<TGraphic> graphic = graphicClass->Create();
    graphic->ReadData(stream);
    SetGraphic(std::move(graphic));
}

void TPicture::WriteStored(TStream& stream) const {
    Graphic();
    const std::string className = Held ? Held->ClassName() : std::string();
    if (className.size() > 255) throw EInvalidGraphicOperation("Picture class name too long");
    stream.WriteByte(static_cast<uint8_t>(className.size()));
    stream.Write(className.data(), static_cast<int64_t>(className.size()));
    if (Held) Held->WriteData(stream);
}

void TPicture::LoadFromClipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) throw EInvalidGraphic("Unsupported clipboard format");
    const auto& formats = ClipboardFormats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
        const QString format = QString::fromStdString(it->Format);
        if (!data->hasFormat(format)) continue;
        const QByteArray bytes = data->data(format);
        std::unique_ptr<TGraphic> graphic = it->Class.Create();
        graphic->LoadFromClipboardData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        SetGraphic(std::move(graphic));
        return;
    }
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TPicture::SaveToClipboard() const {
    if (!Graphic()) return;
    for (const auto& f : ClipboardFormats()) {
        if (f.Class.ClassName != Held->ClassName()) continue;
        const std::vector<uint8_t> bytes = Held->SaveToClipboardData();
        auto* data = new QMimeData;
        data->setData(
            QString::fromStdString(f.Format),
            QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
        QGuiApplication::clipboard()->setMimeData(data);
        return;
    }
    throw EInvalidGraphicOperation("Unsupported clipboard format");
}
