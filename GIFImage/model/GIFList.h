#pragma once
// An ordered list that owns its items: removing or clearing frees them.

#include "GIFTypes.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

template <class T> class TGIFList {
public:
    explicit TGIFList(TGIFImage* image) : OwnerImage(image) {}
    virtual ~TGIFList() { Clear(); }
    TGIFList(const TGIFList&) = delete;
    TGIFList& operator=(const TGIFList&) = delete;

    int Count() const { return static_cast<int>(Items.size()); }
    T& operator[](int index) const { return *Items.at(static_cast<size_t>(index)); }
    T& First() const { return *Items.front(); }
    T& Last() const { return *Items.back(); }

    T& Add(std::unique_ptr<T> item) {
        Items.push_back(std::move(item));
        return *Items.back();
    }
    int IndexOf(const T* item) const {
        const auto it =
            std::find_if(Items.begin(), Items.end(), [&](const auto& p) { return p.get() == item; });
        return it == Items.end() ? -1 : static_cast<int>(it - Items.begin());
    }
    // Takes the item out of the list without freeing it.
    std::unique_ptr<T> Extract(const T* item) {
        const int index = IndexOf(item);
        if (index < 0) return nullptr;
        std::unique_ptr<T> taken = std::move(Items[static_cast<size_t>(index)]);
        Items.erase(Items.begin() + index);
        return taken;
    }
    void Delete(int index) {
        std::unique_ptr<T> doomed = std::move(Items.at(static_cast<size_t>(index)));
        Items.erase(Items.begin() + index);
    }
    // Frees the items from the last to the first; an item's destructor may
    // still look at the list's owner.
    void Clear() {
        while (!Items.empty()) {
            std::unique_ptr<T> doomed = std::move(Items.back());
            Items.pop_back();
        }
    }

    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

    TGIFImage* Image() const { return OwnerImage; }

protected:
    std::vector<std::unique_ptr<T>> Items;
    TGIFImage* OwnerImage;
};
