#include "Indicator.h"

#include "Rules.h"

std::string RepeatedDigitList(const std::string& secret) {
    std::string list;
    const int n = static_cast<int>(secret.size());
    for (int g = 0; g < n - 1; ++g)
        for (int i = 1; i < n; ++i)
            if (i != g && secret[g] == secret[i] && list.size() < 4 &&
                list.find(secret[g]) == std::string::npos)
                list += secret[g];
    return list;
}

QString IndicatorAfterEnter(const TVariant& variant, const std::string& secret, bool accepted, int attempts,
                            const QString& current) {
    switch (variant.Indicator) {
    case TIndicatorRule::None:
        return current;
    case TIndicatorRule::YesNo:
        if (!accepted) return current;
        return RepeatedDigitCount(secret) > 0 ? "Double : YES" : "Double : NO";
    case TIndicatorRule::DigitList: {
        if (variant.IndicatorFirstOnly && attempts != 1) return current;
        // A guess that is not counted brings no list, only the prefix.
        const std::string digits = accepted ? RepeatedDigitList(secret) : std::string();
        return variant.IndicatorPrefix + QString::fromStdString(digits.substr(0, variant.IndicatorDigits));
    }
    }
    return current;
}
