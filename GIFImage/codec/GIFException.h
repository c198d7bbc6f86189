#pragma once
// The error class of the GIF support: every failure it reports carries one of
// the fixed texts of GIFMessages.h.

#include "Exceptions.h"

class GIFException : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};
