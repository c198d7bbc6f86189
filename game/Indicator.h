#pragma once
// The repeated-digit indicator of the repeating windows: what Label1 reads
// after an Enter that got past the wrong-number check.

#include "Variant.h"

#include <QString>
#include <string>

// Each digit that occurs more than once in the number, once, in the order of
// its first position; at most four.
std::string RepeatedDigitList(const std::string& secret);

// accepted: whether this Enter's guess was counted. Returns current where
// the variant's rule leaves the label as it is.
QString IndicatorAfterEnter(const TVariant& variant, const std::string& secret, bool accepted, int attempts,
                            const QString& current);
