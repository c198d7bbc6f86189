#include "PictureCache.h"

#include <map>

namespace PictureCache {

namespace {

std::map<QString, std::unique_ptr<TGraphic>>& Decoded() {
    static std::map<QString, std::unique_ptr<TGraphic>> decoded;
    return decoded;
}

} // namespace

void Load(TPicture& picture, const QString& key, const std::function<std::unique_ptr<TGraphic>()>& decode) {
    auto& decoded = Decoded();
    if (const auto found = decoded.find(key); found != decoded.end()) {
        picture.SetGraphic(found->second->Share());
        return;
    }
    std::unique_ptr<TGraphic> graphic = decode();
    if (!graphic) return;
    if (std::unique_ptr<TGraphic> shared = graphic->Share()) {
        decoded.emplace(key, std::move(graphic));
        picture.SetGraphic(std::move(shared));
        return;
    }
    picture.SetGraphic(std::move(graphic));
}

void Clear() {
    Decoded().clear();
}

} // namespace PictureCache
