#pragma once
// Pictures that the program carries, decoded once: many windows show the
// same background, and each gets a graphic that shares the decoded pixels.

#include "Picture.h"

#include <QString>
#include <functional>

namespace PictureCache {

// Puts into `picture` the graphic held under `key`, decoding it with
// `decode` the first time. A graphic whose class cannot share its pixels is
// decoded anew each time. `decode` may return null (nothing is put in).
void Load(TPicture& picture, const QString& key, const std::function<std::unique_ptr<TGraphic>()>& decode);

// Forgets every decoded picture (the graphics handed out keep their pixels).
void Clear();

} // namespace PictureCache
