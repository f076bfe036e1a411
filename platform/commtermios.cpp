#include "platform/commtermios.h"

#include <cerrno>
#include <sys/ioctl.h>

namespace platform {
namespace {

struct StandardRate {
    std::uint32_t baud;
    tcflag_t code;
};

constexpr StandardRate kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

}  // namespace

bool applyBaudRate(termios2& t, std::uint32_t baud) {
    if (baud == 0) return false;  // B0 would hang the line up
    tcflag_t code = BOTHER;
    for (const auto& rate : kRates)
        if (rate.baud == baud) code = rate.code;
    // Input speed follows the output speed (no separate input code).
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= code;
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    return true;
}

std::uint32_t baudRateOf(const termios2& t) {
    const tcflag_t code = t.c_cflag & CBAUD;
    if (code == BOTHER) return t.c_ospeed;
    for (const auto& rate : kRates)
        if (rate.code == code) return rate.baud;
    return 0;
}

bool applyByteSize(termios2& t, std::uint8_t byteSize) {
    tcflag_t size;
    switch (byteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
    }
    t.c_cflag = (t.c_cflag & ~CSIZE) | size;
    return true;
}

bool applyParity(termios2& t, std::uint8_t parity, bool check) {
    tcflag_t bits;
    switch (parity) {
    case 0: bits = 0; break;
    case 1: bits = PARENB | PARODD; break;
    case 2: bits = PARENB; break;
    case 3: bits = PARENB | CMSPAR | PARODD; break;  // mark: the parity bit is always 1
    case 4: bits = PARENB | CMSPAR; break;           // space: always 0
    default: return false;
    }
    t.c_cflag = (t.c_cflag & ~(PARENB | PARODD | CMSPAR)) | bits;
    t.c_iflag &= ~(INPCK | IGNPAR | PARMRK | ISTRIP);
    if (check) t.c_iflag |= INPCK;
    return true;
}

bool applyStopBits(termios2& t, std::uint8_t stopBits) {
    switch (stopBits) {
    case 0: t.c_cflag &= ~CSTOPB; return true;
    case 2: t.c_cflag |= CSTOPB; return true;
    default: return false;  // one and a half stop bits cannot be chosen here
    }
}

bool applyFlowControl(termios2& t, const CommState& s) {
    const std::uint32_t dtr = s.Flags & dcb::DtrMask;
    const std::uint32_t rts = s.Flags & dcb::RtsMask;
    if (s.Flags & (dcb::OutxDsrFlow | dcb::DsrSensitivity)) return false;
    if (dtr == dcb::DtrHandshake || dtr == dcb::DtrMask) return false;
    if (rts == dcb::RtsToggle) return false;
    if ((s.Flags & dcb::ErrorChar) && s.ErrorChar != 0) return false;

    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (s.Flags & dcb::OutX) t.c_iflag |= IXON;
    if (s.Flags & dcb::InX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);
    // The line has one hardware handshake for both directions.
    if ((s.Flags & dcb::OutxCtsFlow) || rts == dcb::RtsHandshake)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~CRTSCTS;
    // A raised DTR drops when the port closes; a disabled one stays low.
    if (dtr == dcb::DtrEnable)
        t.c_cflag |= HUPCL;
    else
        t.c_cflag &= ~HUPCL;
    return true;
}

void applyRawMode(termios2& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

bool applyCommState(termios2& t, const CommState& s) {
    termios2 next = t;
    if (!applyBaudRate(next, s.BaudRate) || !applyByteSize(next, s.ByteSize) ||
        !applyParity(next, s.Parity, s.Flags & dcb::Parity) || !applyStopBits(next, s.StopBits) ||
        !applyFlowControl(next, s)) {
        return false;
    }
    applyRawMode(next);
    t = next;
    return true;
}

CommState commStateFromTermios(const termios2& t, const CommState& base) {
    CommState s = base;
    s.BaudRate = baudRateOf(t);
    switch (t.c_cflag & CSIZE) {
    case CS5: s.ByteSize = 5; break;
    case CS6: s.ByteSize = 6; break;
    case CS7: s.ByteSize = 7; break;
    default: s.ByteSize = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        s.Parity = 0;
    else if (t.c_cflag & CMSPAR)
        s.Parity = (t.c_cflag & PARODD) ? 3 : 4;
    else
        s.Parity = (t.c_cflag & PARODD) ? 1 : 2;
    s.StopBits = (t.c_cflag & CSTOPB) ? 2 : 0;

    auto flag = [&s](std::uint32_t bit, bool on) { s.Flags = on ? (s.Flags | bit) : (s.Flags & ~bit); };
    flag(dcb::Binary, true);
    flag(dcb::Parity, t.c_iflag & INPCK);
    flag(dcb::OutX, t.c_iflag & IXON);
    flag(dcb::InX, t.c_iflag & IXOFF);
    const bool handshake = t.c_cflag & CRTSCTS;
    const bool rtsHandshake = (s.Flags & dcb::RtsMask) == dcb::RtsHandshake;
    if (!handshake) {
        flag(dcb::OutxCtsFlow, false);
        if (rtsHandshake) s.Flags = (s.Flags & ~dcb::RtsMask) | dcb::RtsEnable;
    } else if (!rtsHandshake && !(s.Flags & dcb::OutxCtsFlow)) {
        flag(dcb::OutxCtsFlow, true);
    }
    s.XonChar = static_cast<char>(t.c_cc[VSTART]);
    s.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return s;
}

bool readTermios(int fd, termios2& t) { return ::ioctl(fd, TCGETS2, &t) == 0; }

bool writeTermios(int fd, const termios2& t) { return ::ioctl(fd, TCSETS2, &t) == 0; }

}  // namespace platform
