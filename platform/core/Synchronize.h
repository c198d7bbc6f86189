#pragma once
// Hand-over of work to the user-interface thread. A worker thread calls
// Synchronize and waits until the UI thread has run the call; the UI thread
// runs pending calls from its event loop, and any UI-thread loop that waits
// for workers calls CheckSynchronize so that no wait can deadlock.

#include <functional>

// Runs fn on the UI thread and waits for it; on the UI thread it runs at once.
// An exception thrown by fn is passed back to the caller.
void Synchronize(const std::function<void()>& fn);
// Hands fn to the UI thread without waiting for it: it runs there the next
// time pending hand-overs are run. An exception it throws passes out of that
// CheckSynchronize (or the event loop's), on the UI thread.
void Queue(std::function<void()> fn);
// Runs every pending hand-over; returns whether any ran. UI thread only.
// With queued false, only the calls that a thread waits for are run: what a
// wait for workers needs, without raising a queued call's failure there.
bool CheckSynchronize(bool queued = true);
// Marks the calling thread as the UI thread (done by the application object).
void SetMainThread();
bool IsMainThread();
