#pragma once
// The rules of the game, free of any window: drawing the determination
// number, checking a typed guess and counting its Tulva and Vesk hits.

#include <string>
#include <vector>

class TRandomSource;

enum class TGuessOutcome { Ignore, Empty, Wrong, Repeated, Accepted };

// A game allows this many accepted guesses.
constexpr int MaxAttempts = 72;

struct THits {
    int Tulva = 0;
    int Vesk = 0;
    // Per position: whether the guess digit stands in place.
    std::vector<bool> InPlace;
    // The guess digits of the Vesk hits, in the order the Vesk pass finds them.
    std::string VeskOrder;
};

// A number of n distinct digits whose first digit is not 0 (partial shuffle of a pool).
std::string DrawDistinct(int n, TRandomSource& random);
// A number of n digits that may repeat, from 10^(n-1) to 10^n - 2.
std::string DrawRepeating(int n, TRandomSource& random);

// guesses holds the accepted guesses of this game; only the first attempts are compared.
TGuessOutcome ValidateGuess(const std::string& guess, int n, bool distinct,
                            const std::vector<std::string>& guesses, int attempts);

// Each digit of the guess and of the number takes part in at most one hit;
// hits in place are taken first. With distinct digits this is the plain count
// of equal digits in place and at other places.
THits CountHits(const std::string& guess, const std::string& secret);

// The number of different digits that occur more than once.
int RepeatedDigitCount(const std::string& secret);
