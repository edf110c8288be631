// LZW codec with 12-bit codes, fed one byte at a time, in two bit packings:
//  - GIF form: codes packed from the least significant bit of each byte up; the width grows
//    once the next free code needs another bit (also the compressed symbol icons);
//  - TIFF form: codes packed from the most significant bit down, code size 8, the width
//    growing one code earlier, the table cleared at 4094 entries.
//
// Each encoder and decoder owns its tables, so several runs may be active at once.
// The output is a callable: bool(uint8_t) for the encoders (false refuses the byte and ends
// the run), void(uint8_t) for the decoders. A decoder output that can also be called as
// (const uint8_t*, size_t) gets what one byte or buffer call decoded in one piece. The templates keep the
// per-byte path free of indirect calls; LzwEncoder and LzwDecoder take std::function.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace zemo {

inline constexpr unsigned LzwMaxCodes = 4096;
inline constexpr int LzwMaxWidth = 12;

// Bits needed for a code: one more than the index of its highest set bit among bits 0..11.
constexpr int LzwCodeWidth(unsigned code)
{
    return std::bit_width(code & 0xFFFu);
}

template <class Output>
class BasicLzwEncoder {
public:
    explicit BasicLzwEncoder(Output output = Output())
        : output_(std::move(output)), table_(std::make_unique_for_overwrite<HashTable>())
    {
    }

    // GIF form. The code size must be 2..8; bytes must then lie below 2^codeSize.
    // Returns false (and the run refuses every byte) for another code size or when the
    // output refused the clear code.
    bool LzwEncodeInit(int codeSize, bool writeClear)
    {
        if (codeSize < 2 || codeSize > 8) {
            state_ = State::Failed;
            return false;
        }
        start(codeSize, State::Gif);
        if (writeClear)
            putCode<false>(clear_);
        return state_ == State::Gif;
    }

    // Adds one byte. False once the output refused a byte or the byte does not fit the code
    // size; the run is then dead until the next Init and writes nothing more.
    bool LzwEncodeByte(uint8_t b) { return LzwEncodeBytes(&b, 1); }

    // The same as LzwEncodeByte on each byte in turn, stopping at the first failure.
    bool LzwEncodeBytes(const uint8_t* data, size_t count)
    {
        return state_ == State::Gif && encode<false>(data, count);
    }

    // Writes the pending string, the end code and the last partial byte. True when the whole
    // stream reached the output.
    bool LzwEncodeFinish() { return finish<false>(State::Gif); }

    // TIFF form: code size 8, always starting with a clear code.
    bool TiffLzwEncodeInit()
    {
        start(8, State::Tiff);
        putCode<true>(clear_);
        return state_ == State::Tiff;
    }

    bool TiffLzwEncodeByte(uint8_t b) { return TiffLzwEncodeBytes(&b, 1); }

    bool TiffLzwEncodeBytes(const uint8_t* data, size_t count)
    {
        return state_ == State::Tiff && encode<true>(data, count);
    }

    bool TiffLzwEncodeFinish() { return finish<true>(State::Tiff); }

    // True once the output refused a byte or the input was invalid (until the next Init).
    bool Failed() const { return state_ == State::Failed; }

    Output& output() { return output_; }

private:
    enum class State : uint8_t { Idle, Gif, Tiff, Failed };

    // The string table as a hash from (prefix code, suffix byte) to code. LZW never stores
    // a string twice, so any exact lookup gives the same codes as a walk over the table;
    // open addressing keeps the lookup constant for every kind of data. An entry packs the
    // 20-bit key above the 12-bit code; a prefix of 4095 never gets an entry (the table is
    // full once code 4095 exists), so all ones cannot be an entry and marks an empty slot.
    static constexpr unsigned HashSize = 8192; // at most 4096 entries: load stays <= 1/2
    static constexpr uint32_t EmptySlot = 0xFFFFFFFFu;
    static constexpr uint16_t NoString = 0xFFFF;
    using HashTable = std::array<uint32_t, HashSize>;

    static uint32_t slotOf(uint32_t key) { return ((key & 0xFFu) << 5) ^ (key >> 8); }

    void start(int codeSize, State form)
    {
        codeSize_ = codeSize;
        clear_ = 1u << codeSize;
        firstFree_ = clear_ + 2;
        nextFree_ = firstFree_;
        width_ = codeSize + 1;
        current_ = NoString;
        acc_ = 0;
        bits_ = 0;
        table_->fill(EmptySlot);
        state_ = form;
    }

    // The hit path keeps the current string in a register: nothing else is touched until a
    // string is not found.
    template <bool Tiff>
    bool encode(const uint8_t* data, size_t count)
    {
        const unsigned limit = clear_;
        const uint32_t* table = table_->data();
        unsigned current = current_;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t b = data[i];
            if (!Tiff && b >= limit) {
                state_ = State::Failed;
                return false;
            }
            if (current == NoString) {
                current = b;
                continue;
            }
            const uint32_t key = (current << 8) | b;
            uint32_t slot = slotOf(key);
            uint32_t entry;
            while ((entry = table[slot]) != EmptySlot && (entry >> 12) != key)
                slot = (slot + 1) & (HashSize - 1);
            if (entry != EmptySlot) {
                current = entry & 0xFFFu;
                continue;
            }
            addString<Tiff>(current, key, slot);
            current = b;
            if (state_ == State::Failed)
                return false;
        }
        current_ = uint16_t(current);
        return true;
    }

    // The string plus the next byte is new: writes the string's code and makes the entry, or
    // clears a full table.
    template <bool Tiff>
    void addString(unsigned current, uint32_t key, uint32_t slot)
    {
        constexpr unsigned full = Tiff ? LzwMaxCodes - 2 : LzwMaxCodes;
        if (nextFree_ >= full) {
            // Both codes at the old width: the decoder only narrows after reading the clear.
            putCode<Tiff>(current);
            putCode<Tiff>(clear_);
            table_->fill(EmptySlot);
            nextFree_ = firstFree_;
            width_ = codeSize_ + 1;
            return;
        }
        (*table_)[slot] = (key << 12) | nextFree_;
        putCode<Tiff>(current);
        if constexpr (Tiff) {
            ++nextFree_;
            width_ = LzwCodeWidth(nextFree_);
        } else {
            width_ = LzwCodeWidth(nextFree_);
            ++nextFree_;
        }
    }

    template <bool Tiff>
    bool finish(State form)
    {
        if (state_ != form) {
            if (state_ == State::Failed)
                state_ = State::Idle;
            return false;
        }
        if (current_ != NoString) {
            putCode<Tiff>(current_);
            // The decoder makes one more entry on this code (unless it is the first code
            // since a clear, or the table is full) and may widen for it; the end code has to
            // follow that width or it is misread.
            if (nextFree_ > firstFree_ && nextFree_ < LzwMaxCodes)
                width_ = std::min(LzwMaxWidth, LzwCodeWidth(Tiff ? nextFree_ + 1 : nextFree_));
        }
        putCode<Tiff>(clear_ + 1);
        if (state_ == form && bits_ > 0 && !output_(uint8_t(Tiff ? acc_ >> 24 : acc_)))
            state_ = State::Failed;
        const bool ok = state_ == form;
        state_ = State::Idle;
        return ok;
    }

    // Appends a code at the current width and sends every completed byte.
    template <bool Msb>
    void putCode(unsigned code)
    {
        if (state_ == State::Failed)
            return;
        if constexpr (Msb)
            acc_ |= uint32_t(code) << (32 - width_ - bits_);
        else
            acc_ |= uint32_t(code) << bits_;
        bits_ += width_;
        while (bits_ >= 8) {
            if (!output_(uint8_t(Msb ? acc_ >> 24 : acc_))) {
                state_ = State::Failed;
                return;
            }
            if constexpr (Msb)
                acc_ <<= 8;
            else
                acc_ >>= 8;
            bits_ -= 8;
        }
    }

    Output output_;
    std::unique_ptr<HashTable> table_;
    State state_ = State::Idle;
    int codeSize_ = 8;
    unsigned clear_ = 256;
    unsigned firstFree_ = 258;
    unsigned nextFree_ = 258;
    int width_ = 9;
    uint16_t current_ = NoString;
    uint32_t acc_ = 0; // bits not yet sent: low end (GIF form) or top end (TIFF form)
    int bits_ = 0;
};

template <class Output>
class BasicLzwDecoder {
public:
    explicit BasicLzwDecoder(Output output = Output())
        : output_(std::move(output)), tables_(std::make_unique_for_overwrite<Tables>())
    {
    }

    // Starts a run of either form; the TIFF form uses code size 8. Accepts code sizes 2..8
    // only; otherwise false, and every byte call fails.
    bool LzwDecodeInit(int codeSize)
    {
        if (codeSize < 2 || codeSize > 8) {
            state_ = State::Failed;
            return false;
        }
        codeSize_ = codeSize;
        clear_ = 1u << codeSize;
        firstFree_ = clear_ + 2;
        for (unsigned c = 0; c < clear_; ++c) {
            tables_->prefix[c] = NoCode;
            tables_->suffix[c] = uint8_t(c);
            tables_->first[c] = uint8_t(c);
            tables_->length[c] = 1;
            tables_->position[c] = UINT64_MAX; // never dropped from the history
        }
        historyBase_ = historyEnd_ = tableStart_ = 0;
        width_ = codeSize + 1;
        nextFree_ = firstFree_;
        previous_ = NoCode;
        acc_ = 0;
        bits_ = 0;
        state_ = State::Ready;
        return true;
    }

    // Feeds one byte of a GIF-form stream. False once the end code or an invalid code is met
    // (EndSeen() tells which); every later call is false too.
    bool LzwDecodeByte(uint8_t b) { return LzwDecodeBytes(&b, 1); }

    // The same as LzwDecodeByte on each byte in turn, stopping at the first false.
    bool LzwDecodeBytes(const uint8_t* data, size_t count)
    {
        return (state_ == State::Gif || claim(State::Gif)) && decode<false>(data, count);
    }

    // The same for a TIFF-form stream.
    bool TiffLzwDecodeByte(uint8_t b) { return TiffLzwDecodeBytes(&b, 1); }

    bool TiffLzwDecodeBytes(const uint8_t* data, size_t count)
    {
        return (state_ == State::Tiff || claim(State::Tiff)) && decode<true>(data, count);
    }

    bool EndSeen() const { return state_ == State::Ended; }
    bool Failed() const { return state_ == State::Failed; }

    Output& output() { return output_; }

private:
    enum class State : uint8_t { Idle, Ready, Gif, Tiff, Ended, Failed };
    static constexpr uint16_t NoCode = 0xFFFF;

    // Every new entry is the previous string plus the byte that followed it in the output,
    // so each string lies in one piece in the recent output. The decoder keeps that output
    // (HistorySize bytes at most) with each entry's position, and copies strings from it;
    // strings that have left it are rebuilt by walking their prefixes.
    static constexpr size_t HistorySize = size_t(256) << 10;
    static constexpr size_t HistoryKept = HistorySize / 2; // kept when the buffer is full

    struct Tables {
        std::array<uint16_t, LzwMaxCodes> prefix;
        std::array<uint8_t, LzwMaxCodes + 16> suffix; // + slack for short copies
        std::array<uint8_t, LzwMaxCodes> first; // first byte of the string
        std::array<uint16_t, LzwMaxCodes> length;
        std::array<uint64_t, LzwMaxCodes> position; // of the string in the output
        std::array<uint8_t, HistorySize + 16> history; // + slack for short copies
    };

    // The first byte call of a run fixes its form; the other form is refused.
    bool claim(State form)
    {
        if (state_ != State::Ready)
            return false;
        state_ = form;
        return true;
    }

    // Makes room for one more string (plus the slack of a short copy) at the end of the
    // history by dropping its older half; returns the new output position of history[0].
    [[gnu::noinline]] uint64_t makeRoom(uint64_t base, uint64_t end)
    {
        const uint64_t from = std::max(tableStart_, end - HistoryKept);
        uint8_t* h = tables_->history.data();
        std::memmove(h, h + (from - base), size_t(end - from));
        return from;
    }

    // Copies a string that ends at or before dst in 16-byte blocks. Bytes past the count
    // are junk; the slack at the end of the history and of the table takes them.
    static void copyString(uint8_t* dst, const uint8_t* src, size_t count)
    {
        size_t i = 0;
        do {
            uint8_t block[16];
            std::memcpy(block, src + i, 16);
            std::memcpy(dst + i, block, 16);
            i += 16;
        } while (i < count);
    }

    // The state lives in locals while a buffer is decoded, so that the output's stores
    // cannot force it back to memory; the output gets everything a call decoded at its end.
    template <bool Tiff>
    bool decode(const uint8_t* data, size_t count)
    {
        Tables& t = *tables_;
        uint8_t* const history = t.history.data();
        const unsigned clear = clear_;
        uint32_t acc = acc_;
        int bits = bits_;
        int width = width_;
        unsigned nextFree = nextFree_;
        unsigned previous = previous_;
        unsigned previousLength = previousLength_;
        uint64_t base = historyBase_;
        uint64_t end = historyEnd_;
        uint64_t sent = end; // decoded strings lie one after the other: sent in one piece
        State result = state_;

        for (size_t i = 0; i < count; ++i) {
            if constexpr (Tiff)
                acc |= uint32_t(data[i]) << (24 - bits);
            else
                acc |= uint32_t(data[i]) << bits;
            bits += 8;
            while (bits >= width) {
                unsigned code;
                if constexpr (Tiff) {
                    code = acc >> (32 - width);
                    acc <<= width;
                } else {
                    code = acc & ((1u << width) - 1);
                    acc >>= width;
                }
                bits -= width;
                if (code == clear) {
                    width = codeSize_ + 1;
                    nextFree = firstFree_;
                    previous = NoCode;
                    tableStart_ = end; // no entry refers to anything before
                    continue;
                }
                if (code == clear + 1) {
                    result = State::Ended;
                    goto stopped;
                }
                // After a start or a clear only a single byte can come: the next free code
                // is not defined yet and would become an entry that is its own prefix.
                if (code > nextFree || (code == nextFree && previous == NoCode)) {
                    result = State::Failed;
                    goto stopped;
                }
                if (end - base + LzwMaxCodes + 16 > HistorySize) {
                    emit(history + (sent - base), size_t(end - sent));
                    sent = end;
                    base = makeRoom(base, end);
                }
                uint8_t* out = history + (end - base);
                // No string is longer than the table can chain (4091 bytes); the check keeps
                // every copy inside the room made above even if that ever failed.
                if (previousLength >= LzwMaxCodes - 1) {
                    result = State::Failed;
                    goto stopped;
                }
                unsigned length;
                if (code == nextFree) {
                    // The string being defined: the previous string, which ends right here,
                    // plus its own first byte.
                    length = previousLength + 1;
                    copyString(out, out - previousLength, previousLength);
                    out[previousLength] = out[0];
                } else {
                    // A single byte is its own suffix entry, so it is copied like any string.
                    length = t.length[code];
                    const uint64_t from = t.position[code];
                    if (from >= base) {
                        copyString(out, code < clear ? &t.suffix[code] : history + (from - base),
                                   length);
                    } else {
                        // Each prefix lies below its own code and the walk takes no more
                        // steps than the entry's length: it stays in bounds whatever the
                        // table holds.
                        unsigned c = code;
                        for (unsigned k = length; k-- > 1;) {
                            out[k] = t.suffix[c];
                            c = t.prefix[c];
                        }
                        if (c >= clear) {
                            result = State::Failed;
                            goto stopped;
                        }
                        out[0] = uint8_t(c);
                    }
                }
                if (previous != NoCode && nextFree < LzwMaxCodes) {
                    // Its suffix is the first byte of this string, taken from the table rather
                    // than from the copy just made, so that nothing waits for that copy.
                    const uint8_t suffix = code == nextFree ? t.first[previous] : t.first[code];
                    t.prefix[nextFree] = uint16_t(previous);
                    t.suffix[nextFree] = suffix;
                    t.first[nextFree] = t.first[previous];
                    t.length[nextFree] = uint16_t(previousLength + 1);
                    t.position[nextFree] = end - previousLength;
                    ++nextFree;
                    // The TIFF form widens one code earlier; neither goes past 12 bits.
                    if (width < LzwMaxWidth && (Tiff ? nextFree + 1 : nextFree) == 1u << width)
                        ++width;
                }
                previous = code;
                previousLength = length;
                end += length;
            }
        }
    stopped:
        emit(history + (sent - base), size_t(end - sent));
        acc_ = acc;
        bits_ = bits;
        width_ = width;
        nextFree_ = nextFree;
        previous_ = uint16_t(previous);
        previousLength_ = previousLength;
        historyBase_ = base;
        historyEnd_ = end;
        state_ = result;
        return result == State::Gif || result == State::Tiff;
    }

    void emit(const uint8_t* bytes, size_t count)
    {
        if constexpr (std::is_invocable_v<Output&, const uint8_t*, size_t>) {
            output_(bytes, count);
        } else {
            for (size_t i = 0; i < count; ++i)
                output_(bytes[i]);
        }
    }

    Output output_;
    std::unique_ptr<Tables> tables_;
    State state_ = State::Idle;
    int codeSize_ = 8;
    unsigned clear_ = 256;
    unsigned firstFree_ = 258;
    unsigned nextFree_ = 258;
    int width_ = 9;
    uint16_t previous_ = NoCode;
    unsigned previousLength_ = 0;
    uint64_t historyBase_ = 0; // output position of history[0]
    uint64_t historyEnd_ = 0;  // output position after the last decoded byte
    uint64_t tableStart_ = 0;  // output position at the last start or clear
    uint32_t acc_ = 0;         // bits not yet taken: low end (GIF form) or top end (TIFF form)
    int bits_ = 0;
};

using LzwEncodeOutput = std::function<bool(uint8_t)>;
using LzwDecodeOutput = std::function<void(uint8_t)>;
using LzwEncoder = BasicLzwEncoder<LzwEncodeOutput>;
using LzwDecoder = BasicLzwDecoder<LzwDecodeOutput>;

extern template class BasicLzwEncoder<LzwEncodeOutput>;
extern template class BasicLzwDecoder<LzwDecodeOutput>;

} // namespace zemo
