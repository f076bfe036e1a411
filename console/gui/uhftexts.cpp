#include "uhftexts.h"

#include "core/verdict.h"

namespace texts = console::texts;

const UhfPageTexts kUhfPageTextsVorcard = {
    .readerModeNames = {"Active search for EPC number of single card", "Passive reader mode",
                        "Active search for EPC number of multiple cards", "Active read TID number ", ""},
    .readerModeSuccessHead = "Set  ",
    .readerModeSuccessTail = " Success ",
    .readerModeFailureHead = "Set ",
    .readerModeFailureTail = "False",
    .readerModeNoReply = texts::kNoReplyUhf,
    .readerModeDamaged = texts::kDamagedUhf,
    .startIssueCaption = "Automatic card",
    .stopIssueCaption = "Stop card",
    .writeSuccess = "Write Card Success,The card number is : ",
    .workModeNames = {"Active search for EPC number of single card", "Passive reader mode",
                      "Active search for EPC number of multiple cards", "Active read TID number",
                      "Active read memory sector"},
    .workModeSuccessHead = "Set ",
    .workModeSuccessTail = " Success",
    .workModeFailureHead = "Set ",
    .workModeFailureTail = "false",
    .workModeDamaged = texts::kDamaged,
    .virtualSerialSuccess = "USB mode switch setting  Success    ",
    .virtualSerialFailure = "USB mode switch setting false     ",
    .usbHidSuccess = "USB_HID setting success   ",
    .usbHidFailure = "USB_HID setting false   ",
    .serialNoReply = texts::kNoReply,
    .serialDamaged = texts::kDamaged,
    .refusedEpc = "EPC number not written: it must be 1 to 31 whole words of four hex digits   ",
    .refusedPassword = "EPC number not written: the access password must be 8 hex digits   ",
    .refusedStep = "EPC number not written: the step cannot be added to it   ",
    .refusedSector = "Not sent: sector, address and length take 2 hex digits, password 8   ",
    .counterTooShort = "'%1' holds no counter chunk %2: the counter takes 19 to 24 hex digits",
};
