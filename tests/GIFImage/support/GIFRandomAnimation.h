#pragma once
// Small valid animations built from a stream of choices, for checking that
// the optimisation keeps what a picture shows: frames anywhere on a small
// screen and past its edges, every disposal from 0 to 7, transparency, local
// tables, interlaced frames, delays of 0, and entries that repeat colours of
// other entries.

#include "GIFTestStreams.h"

#include <functional>

// pick(n) returns a choice in 0 .. n - 1.
Bytes RandomAnimation(const std::function<int(int)>& pick);
