#pragma once
// The message of the GIFException that f throws, or "" when it throws none.

#include "GIFException.h"

#include <string>

template <class F> std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const GIFException& e) {
        return e.what();
    }
    return "";
}
