// ISO 15693 vicinity tags: inventory (10), read and write blocks (11, 12), lock a block (13),
// select (15), write and lock the AFI (17, 18) and the DSFID (19, 1A), system information
// (1B) and block security status (1C).
//
// Every command but the inventory starts with the request flags byte. The reader looks at
// three of its bits: 20 (address) makes the command carry a UID and act only on that tag,
// 10 (select) makes it act on the selected tag, 40 (option) adds each block's lock state to
// a read. Without either of the first two the command goes to the tag nearest the antenna,
// the first one in the field. The UID travels most significant byte (E0) first, as the
// inventory listing shows it; where it stands in each command is given below. Replies carry
// the tag's response flags (00) as their first data byte.
#include <algorithm>
#include <array>
#include <optional>

#include "sim_reader.h"

namespace usb::sim {
namespace {

// The reader's error codes for what a tag refuses.
constexpr std::uint8_t kErrorNoTag = 0x83;         // no tag answered (unknown UID, none selected)
constexpr std::uint8_t kErrorNoSuchBlock = 0x93;   // block out of range
constexpr std::uint8_t kErrorLocked = 0x94;        // block, AFI or DSFID locked

constexpr std::uint8_t kAddressFlag = 0x20;
constexpr std::uint8_t kSelectFlag = 0x10;
constexpr std::uint8_t kOptionFlag = 0x40;
constexpr std::uint8_t kResponseFlags = 0x00;
constexpr std::size_t kUidSize = 8;

// A command's parameters: flags, the fixed bytes, the UID (addressed commands only) and
// what follows it.
struct Request {
    std::uint8_t flags = 0;
    Params fixed;
    Params uid;
    Params rest;
};

// Splits the parameters of a command with `fixed` bytes after its flags. `withRest` says
// whether bytes may follow the UID; otherwise the sizes must match exactly.
std::optional<Request> split(Params p, std::size_t fixed, bool withRest) {
    if (p.size() < 1 + fixed) return std::nullopt;
    Request r;
    r.flags = p[0];
    if ((r.flags & kAddressFlag) && (r.flags & kSelectFlag)) return std::nullopt;
    r.fixed = p.subspan(1, fixed);
    Params after = p.subspan(1 + fixed);
    if (r.flags & kAddressFlag) {
        if (after.size() < kUidSize) return std::nullopt;
        r.uid = after.first(kUidSize);
        after = after.subspan(kUidSize);
    }
    if (!withRest && !after.empty()) return std::nullopt;
    r.rest = after;
    return r;
}

// The tag a request acts on, or the error code when none answers.
VicinityTag* target(ReaderState& s, const Request& r, std::uint8_t& error) {
    error = kErrorNoTag;
    auto& tags = s.vicinityTags;
    auto found = tags.end();
    if (r.flags & kAddressFlag)
        found = std::find_if(tags.begin(), tags.end(),
                             [&](const VicinityTag& t) { return std::ranges::equal(t.uid, r.uid); });
    else if (r.flags & kSelectFlag)
        found = std::find_if(tags.begin(), tags.end(), [](const VicinityTag& t) { return t.selected; });
    else
        found = tags.begin();
    return found == tags.end() ? nullptr : &*found;
}

// Runs `act` on the request's tag, or fails as the reader does.
template <typename Act>
Answer onTag(ReaderState& s, Params p, std::size_t fixed, bool withRest, Act act) {
    auto r = split(p, fixed, withRest);
    if (!r) return failure(kErrorBadFrame);
    std::uint8_t error = 0;
    VicinityTag* tag = target(s, *r, error);
    if (!tag) return failure(error);
    return act(*tag, *r);
}

// A run of blocks from a start block and a count, or an error answer.
std::optional<Answer> checkRun(std::uint8_t start, std::uint8_t count) {
    if (count == 0) return failure(kErrorBadFrame);
    if (start + count > VicinityTag::kBlocks) return failure(kErrorNoSuchBlock);
    return std::nullopt;
}

// 10 06 00 00: response flags, DSFID and UID (least significant byte first) of each tag,
// after the number of tags.
Answer inventory(ReaderState& s, Params p) {
    if (p.size() != 3) return failure(kErrorBadFrame);
    Bytes data{static_cast<std::uint8_t>(s.vicinityTags.size())};
    for (const VicinityTag& t : s.vicinityTags) {
        data.push_back(kResponseFlags);
        data.push_back(t.dsfid);
        data.insert(data.end(), t.uid.rbegin(), t.uid.rend());
    }
    return success(std::move(data));
}

// 11 flags start count [UID]: the blocks' bytes, each block after its lock state when the
// option flag is set.
Answer readBlocks(ReaderState& s, Params p) {
    return onTag(s, p, 2, false, [](VicinityTag& t, const Request& r) {
        if (auto bad = checkRun(r.fixed[0], r.fixed[1])) return *bad;
        Bytes data{kResponseFlags};
        for (std::size_t b = r.fixed[0]; b < r.fixed[0] + r.fixed[1]; ++b) {
            if (r.flags & kOptionFlag) data.push_back(t.blockLocked[b] ? 0x01 : 0x00);
            data.insert(data.end(), t.blocks[b].begin(), t.blocks[b].end());
        }
        return success(std::move(data));
    });
}

// 12 flags start count [UID] data: four bytes a block; nothing is written when one of the
// blocks is locked.
Answer writeBlocks(ReaderState& s, Params p) {
    return onTag(s, p, 2, true, [](VicinityTag& t, const Request& r) {
        const std::size_t start = r.fixed[0], count = r.fixed[1];
        if (auto bad = checkRun(r.fixed[0], r.fixed[1])) return *bad;
        if (r.rest.size() != count * VicinityTag::kBlockSize) return failure(kErrorBadFrame);
        for (std::size_t b = start; b < start + count; ++b)
            if (t.blockLocked[b]) return failure(kErrorLocked);
        for (std::size_t i = 0; i < r.rest.size(); ++i)
            t.blocks[start + i / VicinityTag::kBlockSize][i % VicinityTag::kBlockSize] = r.rest[i];
        return success({kResponseFlags});
    });
}

// 13 flags block [UID]: locks for good.
Answer lockBlock(ReaderState& s, Params p) {
    return onTag(s, p, 1, false, [](VicinityTag& t, const Request& r) {
        const std::size_t block = r.fixed[0];
        if (block >= VicinityTag::kBlocks) return failure(kErrorNoSuchBlock);
        if (t.blockLocked[block]) return failure(kErrorLocked);
        t.blockLocked[block] = true;
        return success({kResponseFlags});
    });
}

// 15 flags UID: that tag becomes the selected one, every other tag leaves the state. The UID
// is always there, whatever the flags.
Answer selectTag(ReaderState& s, Params p) {
    if (p.size() != 1 + kUidSize) return failure(kErrorBadFrame);
    const Params uid = p.subspan(1);
    auto& tags = s.vicinityTags;
    auto found = std::find_if(tags.begin(), tags.end(),
                              [&](const VicinityTag& t) { return std::ranges::equal(t.uid, uid); });
    if (found == tags.end()) return failure(kErrorNoTag);
    for (VicinityTag& t : tags) t.selected = &t == &*found;
    return success({kResponseFlags});
}

// Writes (17, 19) and locks (18, 1A) of a one-byte field with its lock.
Answer writeField(ReaderState& s, Params p, std::uint8_t VicinityTag::*field, bool VicinityTag::*locked) {
    return onTag(s, p, 1, false, [&](VicinityTag& t, const Request& r) {
        if (t.*locked) return failure(kErrorLocked);
        t.*field = r.fixed[0];
        return success({kResponseFlags});
    });
}
Answer lockField(ReaderState& s, Params p, bool VicinityTag::*locked) {
    return onTag(s, p, 0, false, [&](VicinityTag& t, const Request&) {
        if (t.*locked) return failure(kErrorLocked);
        t.*locked = true;
        return success({kResponseFlags});
    });
}
Answer writeAfi(ReaderState& s, Params p) { return writeField(s, p, &VicinityTag::afi, &VicinityTag::afiLocked); }
Answer lockAfi(ReaderState& s, Params p) { return lockField(s, p, &VicinityTag::afiLocked); }
Answer writeDsfid(ReaderState& s, Params p) {
    return writeField(s, p, &VicinityTag::dsfid, &VicinityTag::dsfidLocked);
}
Answer lockDsfid(ReaderState& s, Params p) { return lockField(s, p, &VicinityTag::dsfidLocked); }

// 1B flags [UID]: information flags (DSFID, AFI, memory size and IC reference present), UID
// least significant byte first, DSFID, AFI, number of blocks − 1, block size − 1, IC reference.
Answer systemInformation(ReaderState& s, Params p) {
    return onTag(s, p, 0, false, [](VicinityTag& t, const Request&) {
        Bytes data{kResponseFlags, 0x0F};
        data.insert(data.end(), t.uid.rbegin(), t.uid.rend());
        data.insert(data.end(), {t.dsfid, t.afi, VicinityTag::kBlocks - 1, VicinityTag::kBlockSize - 1, 0x01});
        return success(std::move(data));
    });
}

// 1C flags start count [UID]: one byte a block, 01 locked, 00 not.
Answer blockSecurity(ReaderState& s, Params p) {
    return onTag(s, p, 2, false, [](VicinityTag& t, const Request& r) {
        if (auto bad = checkRun(r.fixed[0], r.fixed[1])) return *bad;
        Bytes data{kResponseFlags};
        for (std::size_t b = r.fixed[0]; b < r.fixed[0] + r.fixed[1]; ++b)
            data.push_back(t.blockLocked[b] ? 0x01 : 0x00);
        return success(std::move(data));
    });
}

constexpr std::array kCommands{
    Command{0x10, inventory},    Command{0x11, readBlocks}, Command{0x12, writeBlocks},
    Command{0x13, lockBlock},    Command{0x15, selectTag},  Command{0x17, writeAfi},
    Command{0x18, lockAfi},      Command{0x19, writeDsfid}, Command{0x1A, lockDsfid},
    Command{0x1B, systemInformation}, Command{0x1C, blockSecurity},
};

}  // namespace

std::vector<VicinityTag> vicinityTagsAtStart() {
    VicinityTag first, second;
    first.uid = {0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78};
    second.uid = {0xE0, 0x07, 0x00, 0x00, 0x9A, 0xBC, 0xDE, 0xF0};
    return {first, second};
}

std::span<const Command> iso15693Commands() { return kCommands; }

}  // namespace usb::sim
