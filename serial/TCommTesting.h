// Test seams of TComm: make the next OpenPort fail at a step that real systems fail only when
// out of resources; watch the queue of events waiting for the GUI thread.
#pragma once
#include <cstddef>

class TComm;

namespace TCommTesting {

enum class OpenFault { None, CreateEvent, CreateReadThread, CreateWriteThread };

// One-shot: the next OpenPort of any component fails at this step.
void failNextOpen(OpenFault fault);

// The most events the threads queue for the GUI thread; a reader that finds the queue full
// waits for room.
std::size_t notifyQueueLimit();
// Events of `comm` now queued for the GUI thread.
std::size_t notifyQueueLength(const TComm& comm);

}  // namespace TCommTesting
