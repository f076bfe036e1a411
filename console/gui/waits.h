// Waits that keep the window working: they dispatch events until their end and sleep in the
// event loop between rounds instead of spinning.
#pragma once

namespace console {

// Until ReplyText is not empty or `ms` milliseconds have passed; at least one round.
void Delay(int ms);
// Until `ms` milliseconds have passed; at least one round. Each round dispatches the pending
// events `pumpsPerRound` times, the clock read after the first.
void Delayy(int ms, int pumpsPerRound = 1);

}  // namespace console
