#include "RandomSource.h"

#include <chrono>

void TClockSeededRandom::Randomize() {
    Engine.seed(static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

int64_t TClockSeededRandom::Random64(int64_t n) {
    return std::uniform_int_distribution<int64_t>(0, n - 1)(Engine);
}
