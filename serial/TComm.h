// TComm: a serial port component. It owns at most one open port, applies its line settings
// and time-outs, writes through a writer thread and reads through a reader thread, and raises
// its events on the GUI thread.
//
// Threads:
// - GUI thread (the thread that created the component): every method and setter, and every
//   event. Events fire whenever that thread processes Qt events, also inside
//   QCoreApplication::processEvents() called from a handler.
// - Reader thread (while open): reads the port and watches line errors and modem lines; it
//   reports received bytes, line errors, modem changes and fatal failures.
// - Writer thread (while open): writes the blocks that WriteData queued, in order; it reports
//   the emptying of its queue and fatal failures.
// The threads never touch this object; they post messages that the hidden notify object
// turns into events here. It delivers them in short batches, so a flood of received data
// never keeps the GUI thread from its other events, and it holds only a few dozen of them:
// when that queue is full the reader waits, and the bytes wait in the driver's buffer.
//
// Events (each fires only when assigned; Sender is the component):
// - OnReceiveData(Sender, Buffer, BufferLength): one completed read, 1 to 2048 bytes. Buffer is
//   followed by a 0 byte and is valid only while the handler runs.
// - OnReceiveError(Sender, EventMask): line error flags (CE_ bits: 1 receive overflow,
//   2 overrun, 4 parity, 8 framing, 16 break); reading goes on.
// - OnModemStateChange(Sender, ModemEvent): 8 carrier detect changed, 4 ring; or both.
// - OnRequestHangup(Sender): a thread ended on a failure, or the device went away. The port
//   stays open and silent until ClosePort.
// - OnSendDataEmpty(Sender): once after each open, and once each time the send queue runs dry
//   after one or more writes.
#pragma once
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

namespace platform {
class CommPort;
class Event;
struct Message;
}  // namespace platform
class TReadThread;
class TWriteThread;
class TCommNotify;

// Port failures at opening, with the component's fixed messages.
class ECommsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TDtrControl { DtrEnable = 0, DtrDisable = 1, DtrHandshake = 2 };
enum class TRtsControl { RtsEnable = 0, RtsDisable = 1, RtsHandshake = 2, RtsTransmissionAvailable = 3 };
enum class TByteSize { _5 = 0, _6 = 1, _7 = 2, _8 = 3 };
enum class TParity { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class TStopBits { _1 = 0, _1_5 = 1, _2 = 2 };

using TReceiveDataEvent = std::function<void(QObject* Sender, const void* Buffer, std::uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(QObject* Sender, std::uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(QObject* Sender, std::uint32_t ModemEvent)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TSendDataEmptyEvent = std::function<void(QObject* Sender)>;

class TComm : public QObject {
    Q_OBJECT

public:
    explicit TComm(QObject* owner);
    // Closes an open port first: no thread outlives the component.
    ~TComm() override;

    // Opens CommName ("\\.\COMn"), applies the settings, starts both threads.
    // Throws ECommsError.
    void OpenPort();
    // Stops both threads and closes the port; nothing when closed. No event fires.
    void ClosePort();
    // Queues a copy of Count bytes for the writer thread and returns at once. False when the
    // port is closed, the writer has ended, or Count is 0.
    bool WriteData(const void* Buffer, std::uint16_t Count);

    // True while nothing is queued for the writer thread.
    bool isSendQueueEmpty() const { return SendQueueEmpty.load(); }

    // Properties. A setter given the stored value does nothing; otherwise it stores the value
    // and, on an open port, re-applies all line settings or all time-outs. CommName and
    // Parity are only stored (Parity reaches the line with the next re-application or open).
    QString CommName() const { return FCommName; }
    void setCommName(const QString& Value) { FCommName = Value; }
    std::uint32_t BaudRate() const { return FBaudRate; }
    void setBaudRate(std::uint32_t Value) { setState(FBaudRate, Value); }
    bool ParityCheck() const { return FParityCheck; }
    void setParityCheck(bool Value) { setState(FParityCheck, Value); }
    bool Outx_CtsFlow() const { return FOutx_CtsFlow; }
    void setOutx_CtsFlow(bool Value) { setState(FOutx_CtsFlow, Value); }
    bool Outx_DsrFlow() const { return FOutx_DsrFlow; }
    void setOutx_DsrFlow(bool Value) { setState(FOutx_DsrFlow, Value); }
    TDtrControl DtrControl() const { return FDtrControl; }
    void setDtrControl(TDtrControl Value) { setState(FDtrControl, Value); }
    bool DsrSensitivity() const { return FDsrSensitivity; }
    void setDsrSensitivity(bool Value) { setState(FDsrSensitivity, Value); }
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void setTxContinueOnXoff(bool Value) { setState(FTxContinueOnXoff, Value); }
    bool Outx_XonXoffFlow() const { return FOutx_XonXoffFlow; }
    void setOutx_XonXoffFlow(bool Value) { setState(FOutx_XonXoffFlow, Value); }
    bool Inx_XonXoffFlow() const { return FInx_XonXoffFlow; }
    void setInx_XonXoffFlow(bool Value) { setState(FInx_XonXoffFlow, Value); }
    bool ReplaceWhenParityError() const { return FReplaceWhenParityError; }
    void setReplaceWhenParityError(bool Value) { setState(FReplaceWhenParityError, Value); }
    bool IgnoreNullChar() const { return FIgnoreNullChar; }
    void setIgnoreNullChar(bool Value) { setState(FIgnoreNullChar, Value); }
    TRtsControl RtsControl() const { return FRtsControl; }
    void setRtsControl(TRtsControl Value) { setState(FRtsControl, Value); }
    std::uint16_t XonLimit() const { return FXonLimit; }
    void setXonLimit(std::uint16_t Value) { setState(FXonLimit, Value); }
    std::uint16_t XoffLimit() const { return FXoffLimit; }
    void setXoffLimit(std::uint16_t Value) { setState(FXoffLimit, Value); }
    TByteSize ByteSize() const { return FByteSize; }
    void setByteSize(TByteSize Value) { setState(FByteSize, Value); }
    TParity Parity() const { return FParity; }
    void setParity(TParity Value) { FParity = Value; }
    TStopBits StopBits() const { return FStopBits; }
    void setStopBits(TStopBits Value) { setState(FStopBits, Value); }
    char XonChar() const { return FXonChar; }
    void setXonChar(char Value) { setState(FXonChar, Value); }
    char XoffChar() const { return FXoffChar; }
    void setXoffChar(char Value) { setState(FXoffChar, Value); }
    char ReplacedChar() const { return FReplacedChar; }
    void setReplacedChar(char Value) { setState(FReplacedChar, Value); }
    std::uint32_t ReadIntervalTimeout() const { return FReadIntervalTimeout; }
    void setReadIntervalTimeout(std::uint32_t Value) { setTimeout(FReadIntervalTimeout, Value); }
    std::uint32_t ReadTotalTimeoutMultiplier() const { return FReadTotalTimeoutMultiplier; }
    void setReadTotalTimeoutMultiplier(std::uint32_t Value) { setTimeout(FReadTotalTimeoutMultiplier, Value); }
    std::uint32_t ReadTotalTimeoutConstant() const { return FReadTotalTimeoutConstant; }
    void setReadTotalTimeoutConstant(std::uint32_t Value) { setTimeout(FReadTotalTimeoutConstant, Value); }
    std::uint32_t WriteTotalTimeoutMultiplier() const { return FWriteTotalTimeoutMultiplier; }
    void setWriteTotalTimeoutMultiplier(std::uint32_t Value) { setTimeout(FWriteTotalTimeoutMultiplier, Value); }
    std::uint32_t WriteTotalTimeoutConstant() const { return FWriteTotalTimeoutConstant; }
    void setWriteTotalTimeoutConstant(std::uint32_t Value) { setTimeout(FWriteTotalTimeoutConstant, Value); }

    // Events (GUI thread).
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;

    // Firing routines (GUI thread): call the assigned handler with this component as Sender.
    void DoReceiveData(const void* Buffer, std::uint16_t BufferLength);
    void DoReceiveError(std::uint32_t EventMask);
    void DoModemStateChange(std::uint32_t ModemEvent);
    void DoRequestHangup();
    void DoSendDataEmpty();

private:
    friend class TCommNotify;

    template <typename T>
    void setState(T& field, T value) {
        if (field == value) return;
        field = value;
        if (PortHandle) ApplyCommState();
    }
    void setTimeout(std::uint32_t& field, std::uint32_t value) {
        if (field == value) return;
        field = value;
        if (PortHandle) ApplyCommTimeouts();
    }
    void ApplyCommState();
    void ApplyCommTimeouts();
    void StopReaderThread();
    void StopWriterThread();
    // GUI thread: one message from a thread, turned into its event.
    void NotifyWndProc(platform::Message& Msg);

    std::unique_ptr<TReadThread> ReaderThread;
    std::unique_ptr<TWriteThread> WriterThread;
    std::unique_ptr<platform::CommPort> PortHandle;
    std::unique_ptr<platform::Event> CloseEvent;
    TCommNotify* NotifyWindow = nullptr;  // child object, lives as long as the component
    std::atomic<bool> SendQueueEmpty{true};  // written by the GUI and the writer thread

    QString FCommName = QStringLiteral("COM2");
    std::uint32_t FBaudRate = 9600;
    bool FParityCheck = false;
    bool FOutx_CtsFlow = false;
    bool FOutx_DsrFlow = false;
    TDtrControl FDtrControl = TDtrControl::DtrEnable;
    bool FDsrSensitivity = false;
    bool FTxContinueOnXoff = true;
    bool FOutx_XonXoffFlow = true;
    bool FInx_XonXoffFlow = true;
    bool FReplaceWhenParityError = false;
    bool FIgnoreNullChar = false;
    TRtsControl FRtsControl = TRtsControl::RtsEnable;
    std::uint16_t FXonLimit = 500;
    std::uint16_t FXoffLimit = 500;
    TByteSize FByteSize = TByteSize::_8;
    TParity FParity = TParity::None;
    TStopBits FStopBits = TStopBits::_1;
    char FXonChar = 17;
    char FXoffChar = 19;
    char FReplacedChar = 0;
    std::uint32_t FReadIntervalTimeout = 100;
    std::uint32_t FReadTotalTimeoutMultiplier = 0;
    std::uint32_t FReadTotalTimeoutConstant = 0;
    std::uint32_t FWriteTotalTimeoutMultiplier = 0;
    std::uint32_t FWriteTotalTimeoutConstant = 0;
};
