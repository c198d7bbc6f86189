#include "PictureCache.h"

#include <map>

namespace PictureCache {

namespace {

// Pictures are made on the user-interface thread only.
std::map<QString, std::unique_ptr<TGraphic>>& Decoded() {
    static std::map<QString, std::unique_ptr<TGraphic>> decoded;
    return decoded;
}

// The graphic held under key, decoded with decode if it has not been yet.
std::unique_ptr<TGraphic> Take(const QString& key, const TDecode& decode) {
    auto& decoded = Decoded();
    if (const auto found = decoded.find(key); found != decoded.end()) return found->second->Share();
    std::unique_ptr<TGraphic> graphic = decode();
    if (!graphic) return nullptr;
    std::unique_ptr<TGraphic> shared = graphic->Share();
    if (!shared) return graphic;
    decoded.emplace(key, std::move(graphic));
    return shared;
}

} // namespace

void Load(TPicture& picture, const QString& key, TDecode decode) {
    picture.SetDeferred([key, decode = std::move(decode)] { return Take(key, decode); });
}

void Clear() {
    Decoded().clear();
}

} // namespace PictureCache
