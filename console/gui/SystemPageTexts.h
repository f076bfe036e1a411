// The log texts of the system command page, one table per build (trailing blanks are theirs).
#pragma once

struct SystemPageTexts {
    const char* noReplyPort;  // no reply: baud rate, read address, set address
    const char* noReply;      // no reply: the other five commands
    const char* damaged;      // any status but 00 and 01
    const char* baudSet;
    const char* baudSetFailed;
    const char* address;      // before the address byte
    const char* addressFailed;
    const char* addressSet;
    const char* addressSetFailed;
    const char* serialRead;
    const char* serialReadAddress;  // before the address byte
    const char* serialReadNumber;   // before the eight serial number bytes
    const char* serialReadFailed;
    const char* serialSet;
    const char* serialSetFailed;
    const char* led;
    const char* ledFailed;
    const char* ledR;
    const char* ledRFailed;
    const char* buzzer;
    const char* buzzerFailed;
};

extern const SystemPageTexts kSystemPageTexts;         // Vorcard
extern const SystemPageTexts kSystemPageTextsChinese;  // Vorcard-zh
