// Test seam of TComm: make the next OpenPort fail at a step that real systems fail only when
// out of resources.
#pragma once

namespace TCommTesting {

enum class OpenFault { None, CreateEvent, CreateReadThread, CreateWriteThread };

// One-shot: the next OpenPort of any component fails at this step.
void failNextOpen(OpenFault fault);

}  // namespace TCommTesting
