#include "Rules.h"

#include "RandomSource.h"

#include <algorithm>
#include <array>
#include <cstdint>

std::string DrawDistinct(int n, TRandomSource& random) {
    for (;;) {
        // Pool positions 1..10; index 0 unused so the arithmetic reads as the rule does.
        std::array<char, 11> pool = {' ', '1', '2', '3', '4', '5', '6', '7', '8', '9', '0'};
        std::string number;
        int r = 0;
        do r = random.Random(10);
        while (r == 0);
        number += pool[r];
        pool[r] = pool[10];
        pool[10] = number[0];
        for (int k = 2; k <= n; ++k) {
            do r = random.Random(12 - k);
            while (r == 0);
            number += pool[r];
            std::swap(pool[r], pool[11 - k]);
        }
        std::string sorted = number;
        std::sort(sorted.begin(), sorted.end());
        const bool valid = static_cast<int>(number.size()) == n &&
                           std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end() &&
                           number.find(' ') == std::string::npos;
        if (valid) return number;
    }
}

std::string DrawRepeating(int n, TRandomSource& random) {
    int64_t limit = 1;
    for (int i = 0; i < n; ++i) limit *= 10;
    for (;;) {
        const std::string text = std::to_string(random.Random64(limit - 1));
        if (static_cast<int>(text.size()) == n) return text;
    }
}

TGuessOutcome ValidateGuess(const std::string& guess, int n, bool distinct,
                            const std::vector<std::string>& guesses, int attempts) {
    if (guess == std::string(n, ' ')) return TGuessOutcome::Empty;
    if (attempts >= MaxAttempts) return TGuessOutcome::Ignore;
    if (static_cast<int>(guess.size()) != n || guess.find(' ') != std::string::npos)
        return TGuessOutcome::Wrong;
    if (distinct) {
        std::string sorted = guess;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return TGuessOutcome::Wrong;
    }
    const int compared = std::min<int>(attempts, static_cast<int>(guesses.size()));
    for (int i = 0; i < compared; ++i)
        if (guesses[i] == guess) return TGuessOutcome::Repeated;
    return TGuessOutcome::Accepted;
}

THits CountHits(const std::string& guess, const std::string& secret) {
    const size_t n = std::min(guess.size(), secret.size());
    THits hits;
    hits.InPlace.assign(n, false);
    std::vector<bool> guessMatched(n, false), secretMatched(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (guess[i] == secret[i]) {
            ++hits.Tulva;
            hits.InPlace[i] = guessMatched[i] = secretMatched[i] = true;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        if (guessMatched[i]) continue;
        for (size_t j = 0; j < n; ++j) {
            if (j != i && !secretMatched[j] && guess[i] == secret[j]) {
                ++hits.Vesk;
                hits.VeskOrder += guess[i];
                guessMatched[i] = secretMatched[j] = true;
                break;
            }
        }
    }
    return hits;
}

int RepeatedDigitCount(const std::string& secret) {
    std::array<int, 256> seen{};
    int repeated = 0;
    for (unsigned char c : secret)
        if (++seen[c] == 2) ++repeated;
    return repeated;
}
