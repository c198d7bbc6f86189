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

// Starts decoding the picture of `key` on the decoding thread (pictures
// asked for ahead are decoded one after another, in order), so that it is
// ready, or nearly, when a picture of that key is first shown: the pictures
// of the first window shown are decoded while the other windows are made.
// `decode` must not touch widgets. Its failure comes out where the picture
// is first asked for its graphic, as without decoding ahead. Nothing is
// started for a key already decoded or being decoded.
void DecodeAhead(const QString& key, TDecode decode);

// Waits for the decodes started ahead and still running (before the
// application goes away).
void FinishDecodingAhead();

// Forgets every decoded picture (the graphics handed out keep their pixels),
// after waiting for the decodes still running.
void Clear();

} // namespace PictureCache
