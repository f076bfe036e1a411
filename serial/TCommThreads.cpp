#include "serial/TCommThreads.h"

#include <cerrno>
#include <new>
#include <sys/resource.h>
#include <system_error>


using platform::CommResult;
using platform::Message;

// ---- TCommThread ----------------------------------------------------------------------------

TCommThread::~TCommThread() { WaitFor(); }

void TCommThread::Create() { Thread = std::thread([this] { Run(); }); }

void TCommThread::Start() {
    {
        std::lock_guard lock(GateMutex);
        Started = true;
    }
    Gate.notify_one();
}

void TCommThread::WaitFor() {
    if (!Thread.joinable()) return;
    Start();
    Thread.join();
}

void TCommThread::Run() {
    {
        std::unique_lock lock(GateMutex);
        Gate.wait(lock, [this] { return Started; });
    }
    if (Raise > 0) {
        // Lower nice values need the right to raise priority; without it the thread simply
        // runs at its creator's priority.
        errno = 0;
        int nice = ::getpriority(PRIO_PROCESS, 0);
        if (errno == 0) ::setpriority(PRIO_PROCESS, 0, nice - Raise);
    }
    Execute();
}

void TCommThread::PostRequestHangup() {
    Message msg;
    msg.id = kMsgRequestHangup;
    Notify->post(msg);  // never held back by a full queue: it is the thread's last message
}

// ---- TReadThread ----------------------------------------------------------------------------

TReadThread::~TReadThread() { WaitFor(); }

void TReadThread::Execute() {
    platform::CommRead read;
    std::uint8_t buffer[kReadBufferSize];
    if (!Port->setMask(platform::commev::RLSD | platform::commev::ERR | platform::commev::RING)) {
        PostRequestHangup();
    } else {
        bool running = true;
        while (running) {
            std::uint32_t count = 0, events = 0;
            // Reads that complete while more bytes are already there are held back and posted
            // together, before the reader would wait: one wake-up of the GUI thread for them all.
            switch (Port->wait(read, buffer, kReadBufferSize, *CloseEvent, count, events, Held.empty())) {
            case CommResult::Done:
                running = HoldBytes(buffer, count);
                break;
            case CommResult::Pending:
                running = PostHeld();
                break;
            case CommResult::Event:
                running = PostHeld() && HandleCommEvent(events);
                break;
            case CommResult::Cancelled:
            case CommResult::InvalidHandle:
                PostHeld();
                running = false;
                break;
            case CommResult::Hangup:
            case CommResult::Failed:
                if (PostHeld()) PostRequestHangup();
                running = false;
                break;
            }
        }
    }
    Port->purge(platform::purge::RXABORT | platform::purge::RXCLEAR);
}

bool TReadThread::HoldBytes(const std::uint8_t* Bytes, std::uint32_t Count) {
    // A read that completes with no bytes ends the reader, silently.
    if (Count == 0) {
        PostHeld();
        return false;
    }
    Message msg;
    msg.id = kMsgReceiveData;
    msg.wParam = Count;
    try {
        msg.block = platform::allocateBlock(Bytes, Count);
        Held.push_back(std::move(msg));
    } catch (const std::bad_alloc&) {
        if (PostHeld()) PostRequestHangup();
        return false;
    }
    return Held.size() < kHeldReads || PostHeld();
}

bool TReadThread::PostHeld() {
    // A full queue holds the reader here, so the bytes wait in the driver's buffer until the
    // GUI thread catches up; a stop request ends the wait. What was not posted stays held and
    // is freed with the thread.
    return Held.empty() || GoesOn(Notify->post(Held, *CloseEvent));
}

bool TReadThread::HandleCommEvent(std::uint32_t Mask) {
    bool result = false;
    if (Mask & platform::commev::ERR) {
        if (!PostReceiveError(Port->clearErrors())) return false;
        result = true;
    }
    std::uint32_t bits = 0;
    if (Mask & platform::commev::RLSD) bits |= 8;
    if (Mask & platform::commev::RING) bits |= 4;
    if (bits != 0) {
        if (!PostModemStateChange(bits)) return false;
        result = true;
    }
    if (!(Mask & (platform::commev::ERR | platform::commev::RLSD | platform::commev::RING)))
        PostRequestHangup();
    return result;
}

bool TReadThread::GoesOn(platform::MessageQueue::PostResult Result) {
    switch (Result) {
    case platform::MessageQueue::PostResult::Posted: return true;
    case platform::MessageQueue::PostResult::Stopped: return false;
    case platform::MessageQueue::PostResult::Refused: break;
    }
    PostRequestHangup();
    return false;
}

bool TReadThread::PostOrHangup(Message& Msg) {
    return GoesOn(Notify->post(Msg, *CloseEvent));  // Msg keeps its block when not posted
}

bool TReadThread::PostReceiveError(std::uint32_t Errors) {
    Message msg;
    msg.id = kMsgReceiveError;
    msg.lParam = Errors;
    return PostOrHangup(msg);
}

bool TReadThread::PostModemStateChange(std::uint32_t Bits) {
    Message msg;
    msg.id = kMsgModemChange;
    msg.lParam = Bits;
    return PostOrHangup(msg);
}

// ---- TWriteThread ---------------------------------------------------------------------------

TWriteThread::TWriteThread(platform::CommPort* port, platform::Event* closeEvent,
                           platform::MessageQueue* notify, std::atomic<bool>* sendQueueEmpty)
    : TCommThread(port, closeEvent, notify), Messages(platform::MessageQueue::create()),
      SendQueueEmpty(sendQueueEmpty) {
    if (!Messages) throw std::system_error(errno, std::generic_category(), "writer queue");
}

TWriteThread::~TWriteThread() { WaitFor(); }

void TWriteThread::Execute() {
    bool noticeDue = true;
    for (;;) {
        Message msg;
        if (Messages->take(msg)) {
            if (CloseEvent->isSet()) break;  // not written; freed with msg
            if (msg.id != kMsgReceiveData) continue;
            const bool ok = WriteBuffer(msg.block.get(), static_cast<std::uint32_t>(msg.wParam));
            msg.block.reset();
            if (!ok) break;
            noticeDue = true;
            continue;
        }
        SendQueueEmpty->store(true);
        // WriteData clears the flag and then queues; a block queued meanwhile is taken now,
        // so the flag ends true only with an empty queue.
        if (!Messages->empty()) continue;
        if (noticeDue) {
            Message notice;
            notice.id = kMsgSendDataEmpty;
            // Not held back by a full queue: the writer never waits for the GUI thread, and
            // its notices are paced by WriteData and OpenPort, not by the line.
            if (!Notify->post(notice)) {
                PostRequestHangup();
                break;
            }
            noticeDue = false;
        }
        const int woken = platform::waitForAny({CloseEvent->fd(), Messages->fd()}, -1);
        if (woken == 0) break;
        if (woken != 1) {
            PostRequestHangup();
            break;
        }
    }
    // Later posts fail (WriteData returns false) and whatever is still queued is freed.
    Messages->close();
    Port->purge(platform::purge::TXABORT | platform::purge::TXCLEAR);
    SendQueueEmpty->store(true);
}

bool TWriteThread::WriteBuffer(const std::uint8_t* Block, std::uint32_t Count) {
    std::uint32_t offset = 0, remaining = Count;
    int emptyWrites = 0;
    while (remaining > 0) {
        std::uint32_t written = 0;
        switch (Port->write(Block + offset, remaining, *CloseEvent, written)) {
        case CommResult::Done:
            break;
        case CommResult::Cancelled:
        case CommResult::InvalidHandle:
            return false;
        default:
            PostRequestHangup();
            return false;
        }
        if (written == 0) {
            if (++emptyWrites >= kMaxEmptyWrites) {
                PostRequestHangup();
                return false;
            }
            continue;
        }
        emptyWrites = 0;
        remaining -= written;
        offset += written;
    }
    return true;
}
