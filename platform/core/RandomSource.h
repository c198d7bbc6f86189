#pragma once
// The source of random numbers of the game. The program uses a generator
// seeded from the clock; tests inject their own.

#include <cstdint>
#include <random>

class TRandomSource {
public:
    virtual ~TRandomSource() = default;
    // Seeds the generator anew from the clock (done at every new game).
    virtual void Randomize() = 0;
    // An integer drawn uniformly from 0 to n - 1.
    virtual int Random(int n) = 0;
    virtual int64_t Random64(int64_t n) = 0;
};

class TClockSeededRandom : public TRandomSource {
public:
    void Randomize() override;
    int Random(int n) override { return static_cast<int>(Random64(n)); }
    int64_t Random64(int64_t n) override;

private:
    std::mt19937_64 Engine{std::random_device{}()};
};

// A generator with a fixed seed that Randomize does not change.
class TSeededRandom : public TRandomSource {
public:
    explicit TSeededRandom(uint64_t seed) : Engine(seed) {}
    void Randomize() override {}
    int Random(int n) override { return static_cast<int>(Random64(n)); }
    int64_t Random64(int64_t n) override { return std::uniform_int_distribution<int64_t>(0, n - 1)(Engine); }

private:
    std::mt19937_64 Engine;
};
