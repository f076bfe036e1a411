// The mapping of line settings onto termios, as a table over a plain termios2.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/commtermios.h"

using namespace platform;

namespace {

termios2 cooked() {
    termios2 t;
    std::memset(&t, 0, sizeof t);
    t.c_iflag = ICRNL | IXON | BRKINT;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = B38400 | CS7 | PARENB | CSTOPB | CRTSCTS;
    t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    return t;
}

CommState mainWindow() {
    CommState s;
    s.Flags = dcb::Binary | dcb::Parity | dcb::DtrEnable | dcb::RtsEnable;  // 0x1013
    return s;
}

struct Row {
    const char* name;
    std::function<void(CommState&)> change;
    std::function<void(const termios2&)> check;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class LineSettings : public ::testing::TestWithParam<Row> {};

TEST_P(LineSettings, MapsOntoTermiosAndBack) {
    CommState s = mainWindow();
    GetParam().change(s);
    termios2 t = cooked();
    ASSERT_TRUE(applyCommState(t, s));
    GetParam().check(t);
    // Raw line whatever the row.
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_FALSE(t.c_iflag & (ICRNL | BRKINT));
    EXPECT_TRUE((t.c_cflag & (CREAD | CLOCAL)) == (CREAD | CLOCAL));
    // What termios carries reads back as it was set.
    CommState back = commStateFromTermios(t, s);
    EXPECT_EQ(back.BaudRate, s.BaudRate);
    EXPECT_EQ(back.ByteSize, s.ByteSize);
    EXPECT_EQ(back.Parity, s.Parity);
    EXPECT_EQ(back.StopBits, s.StopBits);
    EXPECT_EQ(back.Flags, s.Flags);
    EXPECT_EQ(back.XonChar, s.XonChar);
    EXPECT_EQ(back.XoffChar, s.XoffChar);
}

INSTANTIATE_TEST_SUITE_P(Rows, LineSettings, ::testing::Values(
    Row{"MainWindow9600_8N1", [](CommState&) {},
        [](const termios2& t) {
            EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(B9600));
            EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
            EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
            EXPECT_TRUE(t.c_iflag & INPCK);
            EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
            EXPECT_TRUE(t.c_cflag & HUPCL);
        }},
    Row{"Standard115200", [](CommState& s) { s.BaudRate = 115200; },
        [](const termios2& t) { EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(B115200)); }},
    Row{"NonStandard250000", [](CommState& s) { s.BaudRate = 250000; },
        [](const termios2& t) {
            EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(BOTHER));
            EXPECT_EQ(t.c_ospeed, 250000u);
            EXPECT_EQ(t.c_ispeed, 250000u);
        }},
    Row{"FiveDataBits", [](CommState& s) { s.ByteSize = 5; },
        [](const termios2& t) { EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS5)); }},
    Row{"SixDataBits", [](CommState& s) { s.ByteSize = 6; },
        [](const termios2& t) { EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS6)); }},
    Row{"ParityOdd", [](CommState& s) { s.Parity = 1; },
        [](const termios2& t) { EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD)); }},
    Row{"ParityEven", [](CommState& s) { s.Parity = 2; },
        [](const termios2& t) { EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB)); }},
    Row{"ParityMark", [](CommState& s) { s.Parity = 3; },
        [](const termios2& t) { EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | PARODD | CMSPAR)); }},
    Row{"ParitySpace", [](CommState& s) { s.Parity = 4; },
        [](const termios2& t) { EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t(PARENB | CMSPAR)); }},
    Row{"NoParityCheck", [](CommState& s) { s.Flags &= ~dcb::Parity; },
        [](const termios2& t) { EXPECT_FALSE(t.c_iflag & INPCK); }},
    Row{"TwoStopBits", [](CommState& s) { s.StopBits = 2; },
        [](const termios2& t) { EXPECT_TRUE(t.c_cflag & CSTOPB); }},
    Row{"XonXoffBothWays", [](CommState& s) { s.Flags |= dcb::OutX | dcb::InX; s.XonChar = 'Q'; s.XoffChar = 'S'; },
        [](const termios2& t) {
            EXPECT_TRUE((t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF));
            EXPECT_EQ(t.c_cc[VSTART], 'Q');
            EXPECT_EQ(t.c_cc[VSTOP], 'S');
        }},
    Row{"XonXoffOutputOnly", [](CommState& s) { s.Flags |= dcb::OutX; },
        [](const termios2& t) { EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(IXON)); }},
    Row{"CtsHandshake", [](CommState& s) { s.Flags |= dcb::OutxCtsFlow; },
        [](const termios2& t) { EXPECT_TRUE(t.c_cflag & CRTSCTS); }},
    Row{"RtsHandshake", [](CommState& s) { s.Flags = (s.Flags & ~dcb::RtsMask) | dcb::RtsHandshake; },
        [](const termios2& t) { EXPECT_TRUE(t.c_cflag & CRTSCTS); }},
    Row{"DtrDisableKeepsDtrLowOnClose", [](CommState& s) { s.Flags &= ~dcb::DtrMask; },
        [](const termios2& t) { EXPECT_FALSE(t.c_cflag & HUPCL); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct Refused {
    const char* name;
    std::function<void(CommState&)> change;
};

void PrintTo(const Refused& row, std::ostream* os) { *os << row.name; }

class RefusedSettings : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedSettings, LeaveTheTermiosAsItWas) {
    CommState s = mainWindow();
    GetParam().change(s);
    termios2 t = cooked();
    const termios2 before = t;
    EXPECT_FALSE(applyCommState(t, s));
    EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusedSettings, ::testing::Values(
    Refused{"OneAndAHalfStopBits", [](CommState& s) { s.StopBits = 1; }},
    Refused{"StopBitsOutOfRange", [](CommState& s) { s.StopBits = 3; }},
    Refused{"DsrFlow", [](CommState& s) { s.Flags |= dcb::OutxDsrFlow; }},
    Refused{"DsrSensitivity", [](CommState& s) { s.Flags |= dcb::DsrSensitivity; }},
    Refused{"DtrHandshake", [](CommState& s) { s.Flags = (s.Flags & ~dcb::DtrMask) | dcb::DtrHandshake; }},
    Refused{"RtsToggle", [](CommState& s) { s.Flags = (s.Flags & ~dcb::RtsMask) | dcb::RtsToggle; }},
    Refused{"ParityErrorReplacement", [](CommState& s) { s.Flags |= dcb::ErrorChar; s.ErrorChar = '?'; }},
    Refused{"FourDataBits", [](CommState& s) { s.ByteSize = 4; }},
    Refused{"NineDataBits", [](CommState& s) { s.ByteSize = 9; }},
    Refused{"ParityFive", [](CommState& s) { s.Parity = 5; }},
    Refused{"BaudZero", [](CommState& s) { s.BaudRate = 0; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineSettings, ReplacementWithZeroIsWhatTheLineDoes) {
    CommState s = mainWindow();
    s.Flags |= dcb::ErrorChar;
    termios2 t = cooked();
    EXPECT_TRUE(applyCommState(t, s));
}

}  // namespace
