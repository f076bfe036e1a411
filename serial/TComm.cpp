#include "serial/TComm.h"

#include <QPointer>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <new>
#include <system_error>

#include "platform/comm.h"
#include "platform/event.h"
#include "platform/msgqueue.h"
#include "serial/TCommTesting.h"
#include "serial/TCommThreads.h"

using platform::Message;

namespace {

std::atomic<TCommTesting::OpenFault> nextFault{TCommTesting::OpenFault::None};

bool faultAt(TCommTesting::OpenFault step) {
    auto expected = step;
    return nextFault.compare_exchange_strong(expected, TCommTesting::OpenFault::None);
}

constexpr std::uint32_t kQueueSize = 4096;
constexpr int kReaderRaise = 2;  // highest
constexpr int kWriterRaise = 1;  // above normal

// Messages the threads may queue for the GUI thread: 64 reads are at most 128 KiB. A reader
// that finds the queue full waits, leaving the bytes in the driver's buffer.
constexpr std::size_t kNotifyLimit = 64;
// One wake-up of the GUI thread delivers at most this many events, or events for at most
// this long; the rest follow after the event loop has run its other events.
constexpr int kBatchMessages = 32;
constexpr auto kBatchTime = std::chrono::milliseconds(10);

}  // namespace

void TCommTesting::failNextOpen(OpenFault fault) { nextFault = fault; }

std::size_t TCommTesting::notifyQueueLimit() { return kNotifyLimit; }

// The hidden notify object: a queue that the threads post to, drained on the GUI thread
// whenever its descriptor turns readable, also inside nested processEvents() calls.
class TCommNotify : public QObject {
public:
    explicit TCommNotify(TComm* comm)
        : QObject(comm), Comm(comm), Queue(platform::MessageQueue::create(kNotifyLimit)) {
        if (!Queue) throw std::system_error(errno, std::generic_category(), "notify queue");
        Notifier = new QSocketNotifier(Queue->fd(), QSocketNotifier::Read, this);
        connect(Notifier, &QSocketNotifier::activated, this, [this] { Drain(); });
    }
    ~TCommNotify() override { Queue->close(); }

    platform::MessageQueue* queue() { return Queue.get(); }

private:
    void Drain() {
        // One message at a time: a handler that pumps events meets the next message in a
        // nested drain (the descriptor stays readable while messages are queued), in order.
        QPointer<TCommNotify> alive(this);
        const auto deadline = std::chrono::steady_clock::now() + kBatchTime;
        for (int delivered = 0;; ++delivered) {
            if (delivered == kBatchMessages ||
                (delivered > 0 && std::chrono::steady_clock::now() >= deadline)) {
                Yield();
                return;
            }
            Message msg;
            if (!Queue->take(msg)) return;
            Comm->NotifyWndProc(msg);
            if (!alive) return;  // a handler destroyed the component
        }
    }

    // A full batch was delivered and more may wait: give the event loop its turn before the
    // next one. The notifier is off until a posted call turns it back on, so the rest follows
    // after the events already waiting (timers, paints, input), not before them.
    void Yield() {
        if (Yielding) return;
        Yielding = true;
        Notifier->setEnabled(false);
        QMetaObject::invokeMethod(this, [this] {
            Yielding = false;
            Notifier->setEnabled(true);
        }, Qt::QueuedConnection);
    }

    TComm* const Comm;
    std::unique_ptr<platform::MessageQueue> Queue;
    QSocketNotifier* Notifier = nullptr;
    bool Yielding = false;
};

std::size_t TCommTesting::notifyQueueLength(const TComm& comm) {
    for (QObject* child : comm.children())
        if (auto* notify = dynamic_cast<TCommNotify*>(child)) return notify->queue()->size();
    return 0;
}

TComm::TComm(QObject* owner) : QObject(owner) { NotifyWindow = new TCommNotify(this); }

TComm::~TComm() { ClosePort(); }

void TComm::OpenPort() {
    if (PortHandle) throw ECommsError("This serial port already opened");
    auto port = platform::CommPort::open(FCommName.toStdString());
    if (!port) throw ECommsError("the com is not exist!...");
    if (!port->isCharDevice()) throw ECommsError("File handle is not a comm handle ");
    if (!port->setup(kQueueSize, kQueueSize)) throw ECommsError("Cannot setup comm buffer");

    PortHandle = std::move(port);
    PortHandle->purge(platform::purge::TXABORT | platform::purge::RXABORT |
                      platform::purge::TXCLEAR | platform::purge::RXCLEAR);
    SendQueueEmpty = true;
    ApplyCommTimeouts();
    ApplyCommState();

    if (!faultAt(TCommTesting::OpenFault::CreateEvent)) CloseEvent = platform::Event::create();
    if (!CloseEvent) {
        PortHandle.reset();
        throw ECommsError("Unable to create event");
    }

    bool created = false;
    try {
        if (faultAt(TCommTesting::OpenFault::CreateReadThread))
            throw std::system_error(EAGAIN, std::generic_category());
        ReaderThread = std::make_unique<TReadThread>(PortHandle.get(), CloseEvent.get(), NotifyWindow->queue());
        ReaderThread->Create();
        created = true;
    } catch (const std::exception&) {
    }
    if (!created) {
        ReaderThread.reset();
        CloseEvent.reset();
        PortHandle.reset();
        throw ECommsError("Unable to create read thread");
    }

    created = false;
    try {
        if (faultAt(TCommTesting::OpenFault::CreateWriteThread))
            throw std::system_error(EAGAIN, std::generic_category());
        WriterThread = std::make_unique<TWriteThread>(PortHandle.get(), CloseEvent.get(),
                                                      NotifyWindow->queue(), &SendQueueEmpty);
        WriterThread->Create();
        created = true;
    } catch (const std::exception&) {
    }
    if (!created) {
        StopReaderThread();
        WriterThread.reset();
        CloseEvent.reset();
        PortHandle.reset();
        throw ECommsError("Unable to create write thread");
    }

    ReaderThread->SetPriority(kReaderRaise);
    WriterThread->SetPriority(kWriterRaise);
    ReaderThread->Start();
    WriterThread->Start();
}

void TComm::ClosePort() {
    if (!PortHandle) return;
    StopReaderThread();
    StopWriterThread();
    CloseEvent.reset();
    PortHandle.reset();
}

bool TComm::WriteData(const void* Buffer, std::uint16_t Count) {
    if (!WriterThread || Count == 0) return false;
    Message msg;
    msg.id = kMsgReceiveData;
    msg.wParam = Count;
    try {
        msg.block = platform::allocateBlock(Buffer, Count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The flag is cleared before the post: cleared after it, it could land after the writer
    // has drained the queue (or ended) and set it, and stay false with nothing queued.
    SendQueueEmpty = false;
    if (!WriterThread->Queue().post(msg)) {
        SendQueueEmpty = true;  // the writer has ended; the copy is freed here
        return false;
    }
    return true;
}

void TComm::ApplyCommState() {
    platform::CommState dcb;
    PortHandle->getState(dcb);  // keeps what the component does not manage
    dcb.BaudRate = FBaudRate;
    std::uint32_t flags = platform::dcb::Binary;
    if (FParityCheck) flags |= platform::dcb::Parity;
    if (FOutx_CtsFlow) flags |= platform::dcb::OutxCtsFlow;
    if (FOutx_DsrFlow) flags |= platform::dcb::OutxDsrFlow;
    switch (FDtrControl) {
    case TDtrControl::DtrEnable: flags |= platform::dcb::DtrEnable; break;
    case TDtrControl::DtrDisable: break;
    case TDtrControl::DtrHandshake: flags |= platform::dcb::DtrHandshake; break;
    }
    if (FDsrSensitivity) flags |= platform::dcb::DsrSensitivity;
    if (FTxContinueOnXoff) flags |= platform::dcb::TxContinueOnXoff;
    if (FOutx_XonXoffFlow) flags |= platform::dcb::OutX;
    if (FInx_XonXoffFlow) flags |= platform::dcb::InX;
    if (FReplaceWhenParityError) flags |= platform::dcb::ErrorChar;
    if (FIgnoreNullChar) flags |= platform::dcb::Null;
    switch (FRtsControl) {
    case TRtsControl::RtsEnable: flags |= platform::dcb::RtsEnable; break;
    case TRtsControl::RtsDisable: break;
    case TRtsControl::RtsHandshake: flags |= platform::dcb::RtsHandshake; break;
    case TRtsControl::RtsTransmissionAvailable: flags |= platform::dcb::RtsToggle; break;
    }
    dcb.Flags = flags;
    dcb.XonLim = FXonLimit;
    dcb.XoffLim = FXoffLimit;
    dcb.ByteSize = static_cast<std::uint8_t>(static_cast<int>(FByteSize) + 5);
    dcb.Parity = static_cast<std::uint8_t>(FParity);
    dcb.StopBits = static_cast<std::uint8_t>(FStopBits);
    dcb.XonChar = FXonChar;
    dcb.XoffChar = FXoffChar;
    dcb.ErrorChar = FReplacedChar;
    // A setting the line refuses leaves its previous settings; that is no error.
    PortHandle->setState(dcb);
}

void TComm::ApplyCommTimeouts() {
    platform::CommTimeouts t;
    PortHandle->getTimeouts(t);
    t.ReadIntervalTimeout = FReadIntervalTimeout;
    t.ReadTotalTimeoutMultiplier = FReadTotalTimeoutMultiplier;
    t.ReadTotalTimeoutConstant = FReadTotalTimeoutConstant;
    t.WriteTotalTimeoutMultiplier = FWriteTotalTimeoutMultiplier;
    t.WriteTotalTimeoutConstant = FWriteTotalTimeoutConstant;
    PortHandle->setTimeouts(t);
}

void TComm::StopReaderThread() {
    if (!ReaderThread) return;
    CloseEvent->set();
    PortHandle->purge(platform::purge::RXABORT | platform::purge::RXCLEAR);
    ReaderThread->WaitFor();
    ReaderThread.reset();
}

void TComm::StopWriterThread() {
    if (!WriterThread) return;
    CloseEvent->set();
    PortHandle->purge(platform::purge::TXABORT | platform::purge::TXCLEAR);
    SendQueueEmpty = true;
    WriterThread->WaitFor();
    WriterThread.reset();
}

void TComm::NotifyWndProc(Message& Msg) {
    switch (Msg.id) {
    case kMsgReceiveData:
        // The block is freed with Msg after the handler returns, assigned or not.
        DoReceiveData(Msg.block.get(), static_cast<std::uint16_t>(Msg.wParam & 0xFFFF));
        break;
    case kMsgReceiveError: DoReceiveError(static_cast<std::uint32_t>(Msg.lParam)); break;
    case kMsgRequestHangup: DoRequestHangup(); break;
    case kMsgModemChange: DoModemStateChange(static_cast<std::uint32_t>(Msg.lParam)); break;
    case kMsgSendDataEmpty: DoSendDataEmpty(); break;
    default: break;
    }
}

void TComm::DoReceiveData(const void* Buffer, std::uint16_t BufferLength) {
    if (OnReceiveData) OnReceiveData(this, Buffer, BufferLength);
}

void TComm::DoReceiveError(std::uint32_t EventMask) {
    if (OnReceiveError) OnReceiveError(this, EventMask);
}

void TComm::DoModemStateChange(std::uint32_t ModemEvent) {
    if (OnModemStateChange) OnModemStateChange(this, ModemEvent);
}

void TComm::DoRequestHangup() {
    if (OnRequestHangup) OnRequestHangup(this);
}

void TComm::DoSendDataEmpty() {
    if (OnSendDataEmpty) OnSendDataEmpty(this);
}
