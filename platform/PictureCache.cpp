#include "PictureCache.h"

#include <future>
#include <map>

namespace PictureCache {

namespace {

// Pictures are made and handed out on the user-interface thread only; a
// picture decoded ahead is decoded on its own thread and handed over
// through its future.
std::map<QString, std::unique_ptr<TGraphic>>& Decoded() {
    static std::map<QString, std::unique_ptr<TGraphic>> decoded;
    return decoded;
}

std::map<QString, std::future<std::unique_ptr<TGraphic>>>& Pending() {
    static std::map<QString, std::future<std::unique_ptr<TGraphic>>> pending;
    return pending;
}

// The graphic decoded ahead under key, waited for; null when none was.
std::unique_ptr<TGraphic> DecodedAhead(const QString& key) {
    auto& pending = Pending();
    const auto found = pending.find(key);
    if (found == pending.end()) return nullptr;
    std::future<std::unique_ptr<TGraphic>> future = std::move(found->second);
    pending.erase(found);
    return future.get(); // a failure of the decode is thrown here
}

// The graphic held under key, decoded with decode if it has not been yet.
std::unique_ptr<TGraphic> Take(const QString& key, const TDecode& decode) {
    auto& decoded = Decoded();
    if (const auto found = decoded.find(key); found != decoded.end()) return found->second->Share();
    const bool ahead = Pending().count(key) != 0;
    std::unique_ptr<TGraphic> graphic = ahead ? DecodedAhead(key) : decode();
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

void DecodeAhead(const QString& key, TDecode decode) {
    if (Decoded().count(key) || Pending().count(key)) return;
    Pending().emplace(key, std::async(std::launch::async, std::move(decode)));
}

void FinishDecodingAhead() {
    for (const auto& [key, future] : Pending()) future.wait();
}

void Clear() {
    Pending().clear(); // each future waits for its decode
    Decoded().clear();
}

} // namespace PictureCache
