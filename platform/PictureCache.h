#pragma once
// Pictures that the program carries, decoded once and only when first shown:
// many windows show the same background, and each gets a graphic that shares
// the decoded pixels; a window that is never opened decodes nothing.

#include "Picture.h"

#include <QString>
#include <functional>

namespace PictureCache {

using TDecode = std::function<std::unique_ptr<TGraphic>()>;

// Defers into `picture` the graphic held under `key`: when the picture is
// first asked for its graphic, the one decoded under `key` is shared, or
// `decode` decodes it (and it is kept for the next picture of that key). A
// graphic whose class cannot share its pixels is decoded anew each time.
// `decode` may return null (the picture then stays empty).
void Load(TPicture& picture, const QString& key, TDecode decode);

// Forgets every decoded picture (the graphics handed out keep their pixels).
void Clear();

} // namespace PictureCache
