#pragma once
// A large frame's decoding shared by two threads (see GIFParallelDecoder).

#include "GIFSplitPoint.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

// How far a frame's decoding may go, shared with a thread that may take the
// rest of the frame from a clear code on. The decoder writes the frame in
// windows of pixels; before each it says how far it will write, and it
// tells the place of each clear code it meets, from which the other thread
// can read the codes on without writing pixels. The other thread may take
// the rest from a clear code beyond the decoder's window: the decoder learns
// it before its next window and writes no pixel from there on. Codes after
// a clear code depend on nothing before it, so the two parts together are
// the frame's decoding.
class TGIFDecodeShare {
public:
    // The decoder, about to write from pixel from up to end: how far it may
    // write (less than end where the rest from there is taken).
    uint32_t Reach(uint32_t from, uint32_t end) {
        uint64_t state = State.load(std::memory_order_acquire);
        for (;;) {
            const uint32_t taken = TakenAt(state);
            const uint32_t reach = taken == 0 ? end : std::clamp(taken, from, end);
            if (State.compare_exchange_weak(state, (uint64_t{reach} << 32) | taken,
                                            std::memory_order_acq_rel))
                return reach;
        }
    }
    // The decoder has ended: nothing is taken from now on. The pixel from
    // which the rest was taken, 0 when nobody took it.
    uint32_t Close() { return TakenAt(State.fetch_or(ClosedBit, std::memory_order_acq_rel)); }
    // After Close, or for the thread that took the rest.
    uint32_t Taken() const { return TakenAt(State.load(std::memory_order_acquire)); }
    // The decoder, at a clear code after pixels: the place where the codes
    // after it start, from which the other thread can read on.
    void TellPlace(const TGIFSplitPoint& place) {
        const uint32_t n = Places.load(std::memory_order_relaxed);
        TPlace& entry = Ring[n % RingSize];
        entry.Pixel.store(place.Pixel, std::memory_order_relaxed);
        entry.Block.store(place.Block, std::memory_order_relaxed);
        entry.Bit.store(place.Bit, std::memory_order_relaxed);
        Places.store(n + 1, std::memory_order_release);
    }
    // The other thread: the last place told; false when there is none.
    bool LastPlace(TGIFSplitPoint& place) const {
        const uint32_t n = Places.load(std::memory_order_acquire);
        if (n == 0) return false;
        const TPlace& entry = Ring[(n - 1) % RingSize];
        place.Pixel = entry.Pixel.load(std::memory_order_relaxed);
        place.Block = entry.Block.load(std::memory_order_relaxed);
        place.Bit = entry.Bit.load(std::memory_order_relaxed);
        // Written over meanwhile: the fields may come from two places.
        std::atomic_thread_fence(std::memory_order_acquire);
        return Places.load(std::memory_order_relaxed) - n < RingSize - 1;
    }

    // The other thread: how far the decoder may write now, and whether the
    // rest may still be taken.
    bool Open(uint32_t& reach) const {
        const uint64_t state = State.load(std::memory_order_acquire);
        reach = ReachOf(state);
        return !(state & ClosedBit) && TakenAt(state) == 0;
    }
    // Takes the rest from the clear code after pixel pixels; false when the
    // decoder may write up to it already (or less than MinSplitGap before
    // it), has ended, or another thread took the rest.
    bool Take(uint32_t pixel) {
        uint64_t state = State.load(std::memory_order_acquire);
        for (;;) {
            if ((state & ClosedBit) || TakenAt(state) != 0 || uint64_t{ReachOf(state)} + MinSplitGap > pixel)
                return false;
            if (State.compare_exchange_weak(state, state | pixel, std::memory_order_acq_rel)) return true;
        }
    }

private:
    static constexpr uint64_t ClosedBit = uint64_t{1} << 63;
    static uint32_t TakenAt(uint64_t state) { return static_cast<uint32_t>(state); }
    static uint32_t ReachOf(uint64_t state) { return static_cast<uint32_t>(state >> 32) & 0x7FFFFFFFu; }
    // How far the decoder may write (bits 32 to 62), the pixel the rest was
    // taken from (bits 0 to 31; 0: not taken), and whether the decoder has
    // ended.
    std::atomic<uint64_t> State{0};
    // The last places told, in a ring.
    struct TPlace {
        std::atomic<uint32_t> Pixel{0};
        std::atomic<int64_t> Block{0};
        std::atomic<uint32_t> Bit{0};
    };
    static constexpr uint32_t RingSize = 4;
    TPlace Ring[RingSize];
    std::atomic<uint32_t> Places{0};
};
