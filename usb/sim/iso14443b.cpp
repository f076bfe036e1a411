// Type B cards: card request (09), ATTRIB (0B), reset (0C), the transparent send of bytes to
// the card (0D), and the resident identity card's ID number (26) and file ID number (27).
#include <algorithm>
#include <array>

#include "sim_reader.h"

namespace usb::sim {
namespace {

constexpr std::uint8_t kErrorNoCard = 0x83;       // no card answered
constexpr std::uint8_t kErrorCardCommand = 0x90;  // the card does not know the command

using Stage = TypeBCard::Stage;

// The card's answer to a request: 50, PUPI, application data, protocol information.
Bytes answerToRequest(const TypeBCard& card) {
    Bytes atqb{0x50};
    atqb.insert(atqb.end(), card.pupi.begin(), card.pupi.end());
    atqb.insert(atqb.end(), card.applicationData.begin(), card.applicationData.end());
    atqb.insert(atqb.end(), card.protocolInfo.begin(), card.protocolInfo.end());
    return atqb;
}

bool pupiIs(const TypeBCard& card, Params p) {
    return p.size() >= card.pupi.size() && std::equal(card.pupi.begin(), card.pupi.end(), p.begin());
}

// Request (REQB) or, with bit 08 of PARAM, wake-up (WUPB): a halted card answers only the
// wake-up. The card answers with its ATQB and stands ready for ATTRIB.
std::optional<Bytes> request(TypeBCard& card, bool wakeUp) {
    if (!card.present || (card.stage == Stage::Halted && !wakeUp)) return std::nullopt;
    card.stage = Stage::Ready;
    return answerToRequest(card);
}

// What the card answers to bytes passed through to it; none when it stays silent.
std::optional<Bytes> cardAnswer(TypeBCard& card, Params data) {
    if (!card.present) return std::nullopt;
    const std::uint8_t first = data[0];
    if (first == 0x05 && data.size() == 3) return request(card, (data[2] & 0x08) != 0);
    if (card.stage == Stage::Halted) return std::nullopt;
    if (first == 0x50 && data.size() == 5) {  // HLTB with the card's PUPI
        if (!pupiIs(card, data.subspan(1))) return std::nullopt;
        card.stage = Stage::Halted;
        return Bytes{0x00};
    }
    if (first == 0x1D && data.size() == 9) {  // ATTRIB: PUPI and four parameter bytes
        if (!pupiIs(card, data.subspan(1))) return std::nullopt;
        card.stage = Stage::Active;
        return Bytes{0x00};  // MBLI 0, CID 0
    }
    return Bytes{};  // understood by no one: the reader reports an unsupported command
}

// 09: card request; the answer's length, then the answer.
Answer cardRequest(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    auto atqb = request(s.typeB, false);
    if (!atqb) return failure(kErrorNoCard);
    Bytes data{static_cast<std::uint8_t>(atqb->size())};
    data.insert(data.end(), atqb->begin(), atqb->end());
    return success(std::move(data));
}

// 0B: ATTRIB of the card with this PUPI.
Answer attrib(ReaderState& s, Params p) {
    if (p.size() != 4) return failure(kErrorBadFrame);
    TypeBCard& card = s.typeB;
    if (!card.present || card.stage == Stage::Halted || !pupiIs(card, p)) return failure(kErrorNoCard);
    card.stage = Stage::Active;
    return success({0x00});
}

// 0C: field reset; the card wakes and gives its PUPI.
Answer resetCard(ReaderState& s, Params p) {
    if (!p.empty()) return failure(kErrorBadFrame);
    TypeBCard& card = s.typeB;
    if (!card.present) return failure(kErrorNoCard);
    card.stage = Stage::Ready;
    return success(Bytes(card.pupi.begin(), card.pupi.end()));
}

// 0D: N, then N bytes for the card; the card's answer comes back as the data.
Answer transparent(ReaderState& s, Params p) {
    if (p.size() < 2 || p[0] != p.size() - 1) return failure(kErrorBadFrame);
    auto answer = cardAnswer(s.typeB, p.subspan(1));
    if (!answer) return failure(kErrorNoCard);
    if (answer->empty()) return failure(kErrorCardCommand);
    return success(std::move(*answer));
}

// 26 and 27: the number's length, then the eight bytes.
Answer residentNumber(const ReaderState& s, Params p, const std::array<std::uint8_t, 8>& number) {
    if (!p.empty()) return failure(kErrorBadFrame);
    if (!s.residentId.present) return failure(kErrorNoCard);
    Bytes data{static_cast<std::uint8_t>(number.size())};
    data.insert(data.end(), number.begin(), number.end());
    return success(std::move(data));
}

Answer readIdNumber(ReaderState& s, Params p) { return residentNumber(s, p, s.residentId.idNumber); }
Answer readFileIdNumber(ReaderState& s, Params p) { return residentNumber(s, p, s.residentId.fileIdNumber); }

constexpr std::array kCommands{
    Command{0x09, cardRequest},  Command{0x0B, attrib},       Command{0x0C, resetCard},
    Command{0x0D, transparent},  Command{0x26, readIdNumber}, Command{0x27, readFileIdNumber},
};

}  // namespace

std::span<const Command> iso14443bCommands() { return kCommands; }

}  // namespace usb::sim
