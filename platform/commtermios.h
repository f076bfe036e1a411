// Line settings mapped onto termios2 (termios2 carries any baud rate). Pure functions over a
// plain struct, so the mapping is tested without a device. Include this instead of
// <termios.h>: the two define the same names.
#pragma once
#include <asm/termbits.h>
#include <cstdint>
#include <string>

#include "platform/comm.h"

namespace platform {

// Each returns false for a value the line cannot take and then leaves `t` unchanged.
bool applyBaudRate(termios2& t, std::uint32_t baud);
bool applyByteSize(termios2& t, std::uint8_t byteSize);
bool applyParity(termios2& t, std::uint8_t parity, bool check);
bool applyStopBits(termios2& t, std::uint8_t stopBits);
// XON/XOFF both ways with their characters, CTS/RTS handshake, HUPCL from DTR control.
// Refuses DSR flow, DSR sensitivity, DTR handshake, RTS toggle and a replacement character
// other than 0 (the line gives 0 for a byte with a parity error).
bool applyFlowControl(termios2& t, const CommState& state);
// No echo, no line editing, no translation, no signals; receiver on; no modem wait.
void applyRawMode(termios2& t);
// All of the above, all or nothing.
bool applyCommState(termios2& t, const CommState& state);

// The settings a termios holds, on top of `base` for what termios does not carry.
CommState commStateFromTermios(const termios2& t, const CommState& base);

// Baud rate of a termios: c_ospeed for BOTHER, else the standard rate of its CBAUD code.
std::uint32_t baudRateOf(const termios2& t);

// The termios of a terminal descriptor (of a pty master: that of its slave).
bool readTermios(int fd, termios2& t);
bool writeTermios(int fd, const termios2& t);

// Test seam: the termios that the open port of a COM name last wrote. A pseudo-terminal
// keeps 8 data bits and no parity bit whatever it is given, so tests look here for those.
bool appliedTermios(const std::string& name, termios2& t);

}  // namespace platform
