// The reader and writer threads of TComm, and the messages they post. Internal to serial/.
//
// Messages to the notify queue (GUI thread), from the threads:
//   kMsgReceiveData    reader: wParam = byte count (1..2048), block = the bytes and a 0 byte
//   kMsgReceiveError   reader: lParam = CE_ error flags
//   kMsgRequestHangup  either thread: a fatal failure ended it, or the device went away
//   kMsgModemChange    reader: lParam = 8 carrier detect changed, + 4 ring
//   kMsgSendDataEmpty  writer: its queue ran dry
// Message to the writer's own queue, from WriteData:
//   kMsgReceiveData    wParam = byte count, block = the bytes and a 0 byte
// A block belongs to whoever holds the message: the queue frees what is still queued when it
// closes, and a failed post leaves the block with its sender, who frees it.
// The notify queue is bounded: the reader waits for room (or the stop request) before posting
// to a full queue, so a peer sending faster than the GUI thread handles its events is held
// back in the driver's buffer. The writer's notices and hang-up requests are never held back.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/comm.h"
#include "platform/event.h"
#include "platform/msgqueue.h"

constexpr std::uint32_t kMsgUser = 0x400;
constexpr std::uint32_t kMsgReceiveData = kMsgUser + 1;
constexpr std::uint32_t kMsgReceiveError = kMsgUser + 2;
constexpr std::uint32_t kMsgRequestHangup = kMsgUser + 3;
constexpr std::uint32_t kMsgModemChange = kMsgUser + 4;
constexpr std::uint32_t kMsgSendDataEmpty = kMsgUser + 5;

constexpr std::uint32_t kReadBufferSize = 2048;
// At most this many completed reads wait to be posted together (16 KiB, a fraction of a
// millisecond at a pseudo-terminal's speed); a read that would wait posts them at once.
constexpr std::size_t kHeldReads = 8;
// A write that completes with nothing written (a write time-out on a stuck line) is retried
// this many times, then the writer gives up with a hang-up request.
constexpr int kMaxEmptyWrites = 10;

// A thread created held at a start gate, then started, then waited for.
class TCommThread {
public:
    TCommThread(platform::CommPort* port, platform::Event* closeEvent, platform::MessageQueue* notify)
        : Port(port), CloseEvent(closeEvent), Notify(notify) {}
    virtual ~TCommThread();
    TCommThread(const TCommThread&) = delete;
    TCommThread& operator=(const TCommThread&) = delete;

    // Creates the thread, held until Start(). Throws std::system_error.
    void Create();
    // Nice-level steps above the creator's; applied by the thread where permitted.
    void SetPriority(int raise) { Raise = raise; }
    void Start();
    // Starts the thread if still held (it then sees the stop request) and waits for its end.
    void WaitFor();

protected:
    virtual void Execute() = 0;
    void PostRequestHangup();

    platform::CommPort* const Port;
    platform::Event* const CloseEvent;
    platform::MessageQueue* const Notify;

private:
    void Run();

    std::thread Thread;
    std::mutex GateMutex;
    std::condition_variable Gate;
    bool Started = false;
    int Raise = 0;
};

class TReadThread : public TCommThread {
public:
    using TCommThread::TCommThread;
    ~TReadThread() override;

protected:
    void Execute() override;

private:
    // Keeps a completed read's bytes to be posted; posts them all once kHeldReads are held.
    bool HoldBytes(const std::uint8_t* Bytes, std::uint32_t Count);
    // Posts the held reads in order. False when the reader is to end.
    bool PostHeld();
    bool HandleCommEvent(std::uint32_t Mask);
    bool PostReceiveError(std::uint32_t Errors);
    bool PostModemStateChange(std::uint32_t Bits);
    bool PostOrHangup(platform::Message& Msg);
    // Whether the reader goes on after a post: a refused post ends it with a hang-up request.
    bool GoesOn(platform::MessageQueue::PostResult Result);

    std::vector<platform::Message> Held;
};

class TWriteThread : public TCommThread {
public:
    // The queue is created here; no queue means no writer (std::system_error).
    TWriteThread(platform::CommPort* port, platform::Event* closeEvent, platform::MessageQueue* notify,
                 std::atomic<bool>* sendQueueEmpty);
    ~TWriteThread() override;
    // WriteData posts here; fails once the writer has ended.
    platform::MessageQueue& Queue() { return *Messages; }

protected:
    void Execute() override;

private:
    bool WriteBuffer(const std::uint8_t* Block, std::uint32_t Count);

    std::unique_ptr<platform::MessageQueue> Messages;
    std::atomic<bool>* const SendQueueEmpty;
};
