// The log texts and captions of the UHF write page and of the UHF module group of the serial
// page that a build may word differently. Trailing blanks are part of the texts. The texts
// that every build writes alike stay with the handlers.
#pragma once

struct UhfPageTexts {
    // Reader mode switch ("Set" of the write page): mode names in the order of the radio
    // buttons RadioButton30 to RadioButton33, then the memory sector mode.
    const char* readerModeNames[5];
    const char* readerModeSuccessHead;  // + name + tail + "   " + time
    const char* readerModeSuccessTail;
    const char* readerModeFailureHead;  // + name + tail + "   " + time
    const char* readerModeFailureTail;
    const char* readerModeNoReply;
    const char* readerModeDamaged;

    // Automatic card issue check box.
    const char* startIssueCaption;
    const char* stopIssueCaption;

    // The write sequence's success line in English; null when the build writes only the
    // Chinese one.
    const char* writeSuccess;

    // Module work mode over the serial port: names for codes 01, 00, 02, then "03" with the
    // TID mode and with the memory sector mode.
    const char* workModeNames[5];
    const char* workModeSuccessHead;
    const char* workModeSuccessTail;
    const char* workModeFailureHead;
    const char* workModeFailureTail;
    const char* workModeDamaged;

    // Reader and module interface switches.
    const char* virtualSerialSuccess;
    const char* virtualSerialFailure;
    const char* usbHidSuccess;
    const char* usbHidFailure;
    const char* serialNoReply;
    const char* serialDamaged;

    // Fields refused before anything is sent; each line ends in the time.
    const char* refusedEpc;       // EPC number not whole 16-bit words, or too long
    const char* refusedPassword;  // access password not 8 hex digits
    const char* refusedStep;      // step that cannot be added to the EPC number
    const char* refusedSector;    // memory sector fields not whole bytes

    // The hidden counter's conversion error: %1 its digits, %2 the chunk that is missing.
    const char* counterTooShort;
};

// Vorcard's texts.
extern const UhfPageTexts kUhfPageTextsVorcard;
