#ifndef THREADROUNDTRIP_H
#define THREADROUNDTRIP_H

class QThread;

// A marker through another thread's event queue: a call queued to the thread queues the next one there, hops
// times, and the last calls back in the calling thread, which waits for it. Whatever the thread had queued before,
// and what those calls queued in turn (a deletion among them) within hops - 1 steps, has run, and what they sent
// the calling thread has arrived there. False on time-out.
bool roundTripThrough(QThread *thread, int hops = 2, int timeoutMs = 10000);
// The same after delayMs on a precise timer of that thread: whatever its timers due earlier set off, and whatever
// it had queued for the calling thread, has arrived when this returns true.
bool roundTripAfter(QThread *thread, int delayMs, int timeoutMs = 30000);

#endif // THREADROUNDTRIP_H
