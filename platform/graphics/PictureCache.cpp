#include "PictureCache.h"

#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace PictureCache {

namespace {

using TDecodeTask = std::packaged_task<std::unique_ptr<TGraphic>()>;

// Decodes the pictures asked for ahead one after another, in the order
// asked, on one thread: the user-interface thread keeps a core of its own.
class TAheadDecoder {
public:
    ~TAheadDecoder() { Finish(); }

    std::future<std::unique_ptr<TGraphic>> Add(TDecode decode) {
        TDecodeTask task(std::move(decode));
        std::future<std::unique_ptr<TGraphic>> future = task.get_future();
        std::lock_guard guard(Lock);
        Tasks.push_back(std::move(task));
        if (!Running) {
            // A worker that found nothing left has ended or is ending.
            if (Worker.joinable()) Worker.join();
            Running = true;
            Worker = std::thread([this] { Work(); });
        }
        return future;
    }

    // Waits until every picture asked for is decoded.
    void Finish() {
        if (Worker.joinable()) Worker.join();
    }

private:
    void Work() {
        for (;;) {
            TDecodeTask task;
            {
                std::lock_guard guard(Lock);
                if (Tasks.empty()) {
                    Running = false;
                    return;
                }
                task = std::move(Tasks.front());
                Tasks.pop_front();
            }
            task(); // a failure is kept in the task's future
        }
    }

    std::mutex Lock;
    std::deque<TDecodeTask> Tasks;
    bool Running = false;
    std::thread Worker;
};

TAheadDecoder& AheadDecoder() {
    static TAheadDecoder decoder;
    return decoder;
}

// Pictures are made and handed out on the user-interface thread only; a
// picture decoded ahead is handed over through its future.
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
    Pending().emplace(key, AheadDecoder().Add(std::move(decode)));
}

void FinishDecodingAhead() {
    AheadDecoder().Finish();
}

void Clear() {
    AheadDecoder().Finish();
    Pending().clear();
    Decoded().clear();
}

} // namespace PictureCache
