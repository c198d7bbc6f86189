#include "GIFParallelDecoder.h"

#include "GIFDecodeShare.h"
#include "GIFDecoder.h"
#include "GIFSplitPoint.h"
#include "GIFWireFormat.h"
#include "GIFWorkerThreads.h"
#include "Stream.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>

namespace {

size_t PixelCount(const TGIFDecodeJob& job) {
    return static_cast<size_t>(job.Width) * static_cast<size_t>(job.Height);
}

// Decodes into target (its size and fill set here), collecting what decoding
// reports in result.
void DecodeInto(TStream& stream, const TGIFDecodeJob& job, TGIFDecodeTarget& target,
                TGIFDecodedFrame& result) {
    target.Width = job.Width;
    target.Height = job.Height;
    target.Interlaced = job.Interlaced;
    target.FillValue = job.FillValue;
    try {
        DecodeImageData(stream, target,
                        [&](const std::string& message) { result.Warnings.push_back(message); });
    } catch (...) {
        result.Error = std::current_exception();
    }
}

// Lays the values an interlaced frame's data gives from the from-th on out
// into the frame's rows.
void Interlace(const uint8_t* values, uint64_t from, const TGIFDecodeJob& job, uint8_t* pixels) {
    const auto width = static_cast<uint64_t>(job.Width);
    uint64_t done = 0; // the values of the rows before
    for (const GIFWire::InterlacePass& pass : GIFWire::InterlacePasses)
        for (uint64_t row = pass.Start; row < static_cast<uint64_t>(job.Height);
             row += pass.Step, done += width) {
            if (done + width <= from) continue;
            const uint64_t skip = from > done ? from - done : 0;
            std::memcpy(pixels + row * width + skip, values + (done + skip - from), width - skip);
        }
}

// Reading the codes for a split point goes about this many times as fast as
// decoding them: a thread that takes the rest of a frame reads up to the
// split first, while the decoding thread goes on.
constexpr uint32_t SplitReadingSpeed = 3;

} // namespace

TGIFDecodedFrame DecodeFrame(const TGIFDecodeJob& job) {
    TGIFDecodedFrame result;
    TBorrowedMemoryStream stream(job.Data, job.Size);
    TGIFDecodeTarget target;
    target.Allocate = [&]() -> uint8_t* {
        // Taken by the thread that decodes: the lines it writes are then
        // mostly in its own cache from the frames it decoded before.
        result.Pixels = std::make_shared_for_overwrite<uint8_t[]>(PixelCount(job));
        return result.Pixels.get();
    };
    DecodeInto(stream, job, target, result);
    return result;
}

// The frames of one load, in a ring of slots. The reading thread fills the
// slot of each frame it reads and then publishes it; a thread takes the
// oldest frame nobody has taken by advancing Taken. Frames of small
// animations decode in microseconds, and a lock handed between two cores for
// every frame would cost more than that. Tasks on the worker threads hold
// the frames, so that a task started after the load has ended finds none.
//
// A large frame is shared: a thread with no frame left to take, or with
// fewer pixels left to take than the frame holds, may decode the rest of it
// from a clear code on (TGIFDecodeShare), while the thread that took it
// decodes up to there.
struct TGIFDecodePool::TFrames {
    struct TShared {
        TGIFDecodeShare Share;
        int64_t Frame = 0;
        // Set by the thread that decodes the frame before it starts.
        uint8_t* Pixels = nullptr;
        std::atomic<bool> Started{false};
        // What the rest's decoding reported, once RestDone; of an interlaced
        // frame also its values, in the order the data gives them.
        TGIFDecodedFrame Rest;
        std::unique_ptr<uint8_t[]> RestValues;
        std::atomic<bool> RestDone{false};
    };
    struct TSlot {
        TGIFDecodeJob Job;
        TGIFDecodedFrame Result;
        std::unique_ptr<TShared> Shared; // for a large frame
        std::atomic<bool> Done{false};
    };

    explicit TFrames(int capacity) : Slots(static_cast<size_t>(capacity)) {}

    TSlot& SlotOf(int64_t frame) { return Slots[static_cast<size_t>(frame) % Slots.size()]; }

    // Takes the oldest frame nobody has taken and decodes it; false when
    // every frame published is taken.
    bool DecodeNext() {
        int64_t frame = Taken.load(std::memory_order_relaxed);
        do {
            if (frame >= Published.load(std::memory_order_acquire)) return false;
        } while (!Taken.compare_exchange_weak(frame, frame + 1, std::memory_order_acq_rel));
        TSlot& slot = SlotOf(frame);
        UntakenPixels -= static_cast<int64_t>(PixelCount(slot.Job));
        slot.Result = slot.Shared ? DecodeShared(slot) : DecodeFrame(slot.Job);
        MarkDone(slot.Done);
        return true;
    }

    // Decodes a large frame that another thread may share: the pixels are
    // made first, so that the other thread can write the rest into them.
    TGIFDecodedFrame DecodeShared(TSlot& slot) {
        TShared& shared = *slot.Shared;
        {
            std::lock_guard lock(Mutex);
            InProgress = &shared;
            --Unregistered;
        }
        const auto endShare = [&] {
            std::lock_guard lock(Mutex);
            if (InProgress == &shared) InProgress = nullptr;
        };
        TGIFDecodedFrame result;
        const size_t count = PixelCount(slot.Job);
        try {
            result.Pixels = std::make_shared_for_overwrite<uint8_t[]>(count);
        } catch (const std::bad_alloc&) {
            // Decoded in one piece, the data allocates only if it has pixels.
            shared.Share.Close();
            endShare();
            return DecodeFrame(slot.Job);
        }
        shared.Pixels = result.Pixels.get();
        shared.Started.store(true, std::memory_order_release);
        bool wrote = false;
        TGIFDecodeTarget target;
        target.Allocate = [&] {
            wrote = true;
            return shared.Pixels;
        };
        target.Share = &shared.Share;
        TBorrowedMemoryStream stream(slot.Job.Data, slot.Job.Size);
        DecodeInto(stream, slot.Job, target, result);
        endShare();
        const uint32_t taken = shared.Share.Taken();
        if (taken == 0) {
            if (!wrote) result.Pixels = nullptr;
            return result;
        }
        WaitFor(shared.RestDone);
        // An error before the rest: as decoding in one piece, which stops there.
        if (result.Error) return DecodeFrame(slot.Job);
        if (shared.RestValues) Interlace(shared.RestValues.get(), taken, slot.Job, shared.Pixels);
        for (std::string& warning : shared.Rest.Warnings) result.Warnings.push_back(std::move(warning));
        result.Error = shared.Rest.Error;
        return result;
    }

    // Decodes the rest of a frame that another thread decodes, when there is
    // enough of it left; false when nothing was taken.
    bool DecodeRest(const TGIFDecodeJob& job, TShared& shared) {
        if (!GIFWorkers::WatchBriefly([&] { return shared.Started.load(std::memory_order_acquire); }))
            return false;
        uint32_t reach = 0;
        if (!shared.Share.Open(reach)) return false;
        const uint64_t total = PixelCount(job);
        if (total - reach < static_cast<uint64_t>(SharedDecodeMinPixels) / 2) return false;
        // Codes are read from the last clear code the other thread told, or
        // from the start. The split lets both threads end together, the
        // other going on from about reach while this one reads up to it.
        TGIFSplitPoint from;
        from.Block = 1;
        TGIFSplitPoint told;
        if (shared.Share.LastPlace(told)) from = told;
        const uint64_t speed = SplitReadingSpeed;
        const uint64_t goal = (speed * total + (speed - 1) * reach) / (2 * speed - 1);
        TGIFSplitPoint at;
        if (!FindSplitPoint(job.Data, job.Size, from, static_cast<uint32_t>(std::min(goal, total)),
                            static_cast<uint32_t>(total), shared.Share, at))
            return false;
        // The rest of an interlaced frame goes into rows between the other
        // thread's, next to which it reads and writes blocks of bytes: its
        // values are decoded apart and laid out into the rows at the end.
        // Their room is made first: once the rest is taken, it must be
        // decoded.
        if (job.Interlaced) {
            try {
                shared.RestValues = std::make_unique_for_overwrite<uint8_t[]>(total - at.Pixel);
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        if (!shared.Share.Take(at.Pixel)) return false;
        TBorrowedMemoryStream stream(job.Data + at.Block, job.Size - at.Block);
        TGIFDecodeJob rest = {};
        rest.Width = static_cast<int>(total - at.Pixel);
        rest.Height = 1;
        rest.FillValue = job.FillValue;
        TGIFDecodeTarget target;
        target.Pixels = job.Interlaced ? shared.RestValues.get() : shared.Pixels + at.Pixel;
        target.ResumeCodeSize = job.Data[0];
        target.ResumeBit = at.Bit;
        DecodeInto(stream, rest, target, shared.Rest);
        MarkDone(shared.RestDone);
        return true;
    }

    // Helps with the large frame another thread is decoding, if there is
    // one; false when it did not.
    bool HelpInProgress() {
        // A large frame just taken by another thread is in progress a moment
        // later.
        if (Unregistered.load(std::memory_order_acquire) > 0)
            GIFWorkers::WatchBriefly([&] { return Unregistered.load(std::memory_order_acquire) == 0; });
        TShared* shared = nullptr;
        const TGIFDecodeJob* job = nullptr;
        {
            std::lock_guard lock(Mutex);
            if (!InProgress) return false;
            shared = InProgress;
            job = &SlotOf(shared->Frame).Job;
            ++Looking;
        }
        const bool helped = DecodeRest(*job, *shared);
        {
            std::lock_guard lock(Mutex);
            --Looking;
        }
        NoneLooking.notify_all();
        return helped;
    }

    // Before a shared frame's slot is emptied: no thread looks at it.
    void WaitUntilNoneLooks() {
        std::unique_lock lock(Mutex);
        NoneLooking.wait(lock, [&] { return Looking == 0; });
    }

    void Work() {
        while ((RestOutweighsQueue() && HelpInProgress()) || DecodeNext() || HelpInProgress()) {
        }
        --Helpers;
    }

    // Whether the large frame in progress holds more pixels than the frames
    // nobody has taken: decoded after those, its rest would be the last work
    // of the load, on one thread (a first full frame followed by small
    // changed rectangles, say), so it is shared at once.
    bool RestOutweighsQueue(const TGIFDecodeJob& job) const {
        return static_cast<int64_t>(PixelCount(job)) > UntakenPixels.load(std::memory_order_relaxed);
    }
    bool RestOutweighsQueue() {
        std::lock_guard lock(Mutex);
        return InProgress && RestOutweighsQueue(SlotOf(InProgress->Frame).Job);
    }

    void MarkDone(std::atomic<bool>& done) {
        // Sequentially consistent with Sleepers: either the waiter sees it
        // done, or this thread sees the waiter and wakes it.
        done.store(true);
        if (Sleepers.load() > 0) {
            std::lock_guard lock(Mutex);
            FrameDone.notify_all();
        }
    }

    // Returns once done: the thread watches for a moment, then sleeps.
    void WaitFor(const std::atomic<bool>& done) {
        if (GIFWorkers::WatchBriefly([&] { return done.load(std::memory_order_acquire); })) return;
        std::unique_lock lock(Mutex);
        ++Sleepers;
        FrameDone.wait(lock, [&] { return done.load(); });
        --Sleepers;
    }

    std::vector<TSlot> Slots;
    std::atomic<int64_t> Published{0};     // frames whose slots are filled
    std::atomic<int64_t> Taken{0};         // frames a thread has taken to decode
    std::atomic<int64_t> UntakenPixels{0}; // of the frames published and not taken
    std::atomic<int> Helpers{0};           // tasks given to the worker threads and not ended
    std::atomic<int> Sleepers{0};          // threads asleep until a frame is done
    std::mutex Mutex;
    std::condition_variable FrameDone;
    // Under Mutex: the large frame being decoded that others may help with,
    // and the threads looking at one.
    TShared* InProgress = nullptr;
    int Looking = 0;
    // Large frames published whose decoding has not yet started.
    std::atomic<int> Unregistered{0};
    std::condition_variable NoneLooking;
};

TGIFDecodePool::TGIFDecodePool(int threads, int startFrames, int64_t startPixels, int capacity)
    : Threads(threads), StartFrames(startFrames), StartPixels(startPixels),
      Frames(std::make_shared<TFrames>(std::max(1, capacity))) {}

TGIFDecodePool::~TGIFDecodePool() {
    // Nobody takes a frame from now on; those taken are waited for.
    const int64_t taken = Frames->Taken.exchange(std::numeric_limits<int64_t>::max());
    for (int64_t frame = Popped; frame < taken && frame < Pushed; ++frame)
        Frames->WaitFor(Frames->SlotOf(frame).Done);
    Frames->WaitUntilNoneLooks();
    // A task still queued holds the frames: their data and pixels go now.
    for (TFrames::TSlot& slot : Frames->Slots) {
        slot.Job = {};
        slot.Result = {};
        slot.Shared.reset();
    }
}

void TGIFDecodePool::Push(TGIFDecodeJob job) {
    if (Pushed - Popped >= static_cast<int64_t>(Frames->Slots.size()))
        throw std::length_error("TGIFDecodePool: more frames queued than it holds");
    const int64_t pixels = int64_t{job.Width} * job.Height;
    TFrames::TSlot& slot = Frames->SlotOf(Pushed);
    // A frame that takes long enough to decode for two threads to share
    // (plain areas decode at the speed of memory), and no larger than the
    // decoder tells positions of.
    const bool shared = Threads > 1 && pixels >= SharedDecodeMinPixels && job.Size >= SharedDecodeMinBytes &&
                        pixels <= job.Size * SharedDecodePixelsPerByte &&
                        pixels <= std::numeric_limits<int32_t>::max();
    if (shared) {
        slot.Shared = std::make_unique<TFrames::TShared>();
        slot.Shared->Frame = Pushed;
        ++Frames->Unregistered;
    }
    Bytes += job.Size;
    PushedPixels += pixels;
    slot.Job = std::move(job);
    slot.Done.store(false, std::memory_order_relaxed);
    Frames->UntakenPixels += pixels;
    Frames->Published.store(++Pushed, std::memory_order_release);
    // A large frame in a load too small to start threads for is helped with
    // by a kept thread if there is one: a thread started now would mostly
    // come when the frame is decoded.
    if (Pushed >= StartFrames && PushedPixels >= StartPixels)
        AskForHelp(true);
    else if (shared)
        AskForHelp(false);
}

// Gives the worker threads as many tasks as they can run beside the caller,
// starting threads for them with startThreads.
void TGIFDecodePool::AskForHelp(bool startThreads) {
    const int helpers = Threads - 1;
    while (Frames->Helpers.load() < helpers && Frames->Taken.load() < Frames->Published.load()) {
        ++Frames->Helpers;
        if (!GIFWorkers::Run([frames = Frames] { frames->Work(); }, startThreads ? helpers : 0)) {
            --Frames->Helpers; // the caller decodes them
            return;
        }
    }
}

TGIFDecodedFrame TGIFDecodePool::Pop() {
    TFrames::TSlot& oldest = Frames->SlotOf(Popped);
    // A large frame that a worker decodes is shared first where it
    // outweighs the frames nobody has taken (see RestOutweighsQueue).
    bool helped = false;
    if (oldest.Shared && Frames->Taken.load(std::memory_order_acquire) > Popped &&
        Frames->RestOutweighsQueue(oldest.Job) && !oldest.Done.load(std::memory_order_acquire))
        helped = Frames->DecodeRest(oldest.Job, *oldest.Shared);
    // While a worker has the oldest frame, the caller decodes the next ones
    // rather than wait: on a busy machine a worker may get no core for a
    // while, and the load then goes on as fast as on one thread. Then it
    // helps with the oldest frame where that is large.
    while (!oldest.Done.load(std::memory_order_acquire)) {
        if (Frames->DecodeNext()) continue;
        if (oldest.Shared && !helped) Frames->DecodeRest(oldest.Job, *oldest.Shared);
        Frames->WaitFor(oldest.Done);
        break;
    }
    if (oldest.Shared) {
        Frames->WaitUntilNoneLooks();
        oldest.Shared.reset();
    }
    TGIFDecodedFrame result = std::move(oldest.Result);
    Bytes -= oldest.Job.Size;
    oldest.Job = {};
    oldest.Result = {};
    ++Popped;
    return result;
}
