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
            tables_->entry[c] = 0xFFFu << 20 | c << 12 | 1; // no prefix
            tables_->head[c] = c;
            tables_->position[c] = UINT64_MAX; // never dropped from the history
        }
        historyBase_ = historyEnd_ = tableStart_ = 0;
        width_ = codeSize + 1;
        nextFree_ = firstFree_;
        previous_ = NoCode;
        previousLength_ = 0;
        acc_ = 0;
        bits_ = 0;
        state_ = State::Ready;
        return true;
    }

    // Feeds one byte of a GIF-form stream. False once the end code or an invalid code is met
    // (EndSeen() tells which); every later call is false too.
    bool LzwDecodeByte(uint8_t b) { return decodeByte<false>(b); }

    // The same as LzwDecodeByte on each byte in turn, stopping at the first false.
    bool LzwDecodeBytes(const uint8_t* data, size_t count)
    {
        return (state_ == State::Gif || claim(State::Gif)) && decode<false>(data, count);
    }

    // The same for a TIFF-form stream.
    bool TiffLzwDecodeByte(uint8_t b) { return decodeByte<true>(b); }

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
    // (HistorySize bytes at most) with each entry's position, and copies long strings from
    // it; strings that have left it are rebuilt by walking their prefixes. Strings of up to
    // HeadSize bytes are written from the table in one store: reading them back from bytes
    // just written would stall on the pending stores.
    static constexpr size_t HistorySize = size_t(256) << 10;
    static constexpr size_t HistoryKept = HistorySize / 2; // kept when the buffer is full
    static constexpr unsigned HeadSize = 8;

    struct Tables {
        std::array<uint64_t, LzwMaxCodes> head; // first bytes of the string, zeros past its end
        std::array<uint32_t, LzwMaxCodes> entry; // prefix << 20 | suffix << 12 | length
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

    // A byte that completes no code only joins the bit buffer.
    template <bool Tiff>
    bool decodeByte(uint8_t b)
    {
        constexpr State form = Tiff ? State::Tiff : State::Gif;
        if (state_ == form && bits_ + 8 < width_) {
            if constexpr (Tiff)
                acc_ |= uint64_t(b) << (56 - bits_);
            else
                acc_ |= uint64_t(b) << bits_;
            bits_ += 8;
            return true;
        }
        return (state_ == form || claim(form)) && decode<Tiff>(&b, 1);
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
    // are junk; the slack at the end of the history takes them.
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

    // Eight bytes as a number, the first byte lowest (LE) or highest.
    template <bool LE>
    static uint64_t load64(const uint8_t* p)
    {
        uint64_t v;
        std::memcpy(&v, p, 8);
        if constexpr (LE != (std::endian::native == std::endian::little))
            v = __builtin_bswap64(v);
        return v;
    }

    static void storeHead(uint8_t* p, uint64_t head)
    {
        if constexpr (std::endian::native == std::endian::big)
            head = __builtin_bswap64(head);
        std::memcpy(p, &head, 8);
    }

    // The state lives in locals while a buffer is decoded, so that the output's stores
    // cannot force it back to memory; the output gets everything a call decoded at its end.
    // The bit buffer holds 64 bits: the top (TIFF form) or low (GIF form) `bits` are taken
    // from the input, and may be followed by the first bits of the next byte, which is
    // added again, in the same place, when it is taken.
    template <bool Tiff>
    bool decode(const uint8_t* data, size_t count)
    {
        // Code size 8 (every TIFF-form run) gets its limits as constants.
        return clear_ == 256 ? decodeRun<Tiff, 256>(data, count) : decodeRun<Tiff, 0>(data, count);
    }

    template <bool Tiff, unsigned FixedClear>
    bool decodeRun(const uint8_t* data, size_t count)
    {
        Tables& t = *tables_;
        uint8_t* const history = t.history.data();
        const unsigned clear = FixedClear ? FixedClear : clear_;
        const unsigned firstFree = clear + 2;
        const int firstWidth = FixedClear ? 9 : codeSize_ + 1;
        uint64_t acc = acc_;
        int bits = bits_;
        int width = width_;
        unsigned nextFree = nextFree_;
        // The TIFF form widens one code earlier; neither goes past 12 bits.
        const auto widenPoint = [](int w) { return w < LzwMaxWidth ? (1u << w) - (Tiff ? 1 : 0) : 0u; };
        unsigned widenAt = widenPoint(width);
        unsigned previous = previous_;
        unsigned entryLimit = previous == NoCode ? 0 : LzwMaxCodes;
        unsigned previousLength = previousLength_;
        uint64_t previousHead = previous == NoCode ? 0 : t.head[previous];
        uint8_t* out = history + (historyEnd_ - historyBase_);
        uint8_t* sent = out; // decoded strings lie one after the other: sent in one piece
        State result = state_;
        const uint8_t* const stop = data + count;

        // Decodes one code; false when the run stops. The caller has made room for it.
        const auto step = [&](unsigned code) __attribute__((always_inline)) -> bool {
            unsigned length;
            uint64_t head;
            if (code < clear) {
                // A single byte, the most common code on data that does not compress.
                length = 1;
                head = code;
                *out = uint8_t(code);
            } else if (code - firstFree < nextFree - firstFree) [[likely]] {
                const uint32_t entry = t.entry[code];
                length = entry & 0xFFF;
                head = t.head[code];
                storeHead(out, head);
                if (length > HeadSize) [[unlikely]] {
                    const uint64_t from = t.position[code];
                    if (from >= historyBase_) {
                        copyString(out, history + (from - historyBase_), length);
                    } else {
                        // Each prefix lies below its own code and the walk takes no more
                        // steps than the entry's length: it stays in bounds whatever the
                        // table holds.
                        unsigned c = code;
                        for (unsigned k = length; k-- > 1;) {
                            const uint32_t e = t.entry[c];
                            out[k] = uint8_t(e >> 12);
                            c = e >> 20;
                        }
                        if (c >= clear) {
                            result = State::Failed;
                            return false;
                        }
                        out[0] = uint8_t(c);
                    }
                }
            } else if (code == clear) {
                width = firstWidth;
                widenAt = widenPoint(width);
                nextFree = firstFree;
                previous = NoCode;
                entryLimit = 0;
                tableStart_ = historyBase_ + uint64_t(out - history); // nothing refers to anything before
                return true;
            } else if (code == clear + 1) {
                result = State::Ended;
                return false;
            } else {
                // After a start or a clear only a single byte can come: the next free code
                // is not defined yet and would become an entry that is its own prefix.
                // No string is longer than the table can chain (4091 bytes); the check keeps
                // every copy inside the room made for it even if that ever failed.
                if (code > nextFree || previous == NoCode || previousLength >= LzwMaxCodes - 1) {
                    result = State::Failed;
                    return false;
                }
                // The string being defined: the previous string, which ends right here,
                // plus its own first byte.
                length = previousLength + 1;
                head = previousHead;
                if (previousLength < HeadSize)
                    head |= (previousHead & 0xFF) << (8 * previousLength);
                storeHead(out, head);
                if (length > HeadSize) {
                    copyString(out, out - previousLength, previousLength);
                    out[previousLength] = out[0];
                }
            }
            // No entry on the first code after a start or clear, nor in a full table.
            if (nextFree < entryLimit) {
                // Its suffix is the first byte of this string, taken from the table rather
                // than from the bytes just written, so that nothing waits for them.
                const uint64_t suffix = head & 0xFF;
                t.entry[nextFree] = (previous << 20) | uint32_t(suffix << 12) | (previousLength + 1);
                t.head[nextFree] = previousLength < HeadSize
                                       ? previousHead | suffix << (8 * (previousLength & 7))
                                       : previousHead;
                if (previousLength >= HeadSize) // shorter strings are never copied
                    t.position[nextFree] = historyBase_ + uint64_t(out - history) - previousLength;
                if (++nextFree == widenAt) {
                    ++width;
                    widenAt = widenPoint(width);
                }
            }
            entryLimit = LzwMaxCodes;
            previous = code;
            previousLength = length;
            previousHead = head;
            out += length;
            return true;
        };

        // Makes room for `codes` more strings and the slack of a short copy.
        const auto makeRoomFor = [&](unsigned codes) __attribute__((always_inline)) {
            if (out > history + (HistorySize - codes * LzwMaxCodes - 16)) [[unlikely]] {
                emit(sent, size_t(out - sent));
                const uint64_t end = historyBase_ + uint64_t(out - history);
                historyBase_ = makeRoom(historyBase_, end);
                out = history + (end - historyBase_);
                sent = out;
            }
        };

        const auto take = [&]() __attribute__((always_inline)) -> unsigned {
            unsigned code;
            if constexpr (Tiff) {
                code = unsigned(acc >> (64 - width));
                acc <<= width;
            } else {
                code = unsigned(acc) & ((1u << width) - 1);
                acc >>= width;
            }
            bits -= width;
            return code;
        };

        // Whole bytes until 56..63 bits are held: four codes of up to 12 bits.
        while (stop - data >= 8) {
            if constexpr (Tiff)
                acc |= load64<false>(data) >> bits;
            else
                acc |= load64<true>(data) << bits;
            data += size_t(63 - bits) >> 3;
            bits |= 56;
            makeRoomFor(4);
            if (!step(take()) || !step(take()) || !step(take()) || !step(take())) [[unlikely]]
                goto stopped;
        }
        for (;;) {
            while (bits < width && data != stop) {
                if constexpr (Tiff)
                    acc |= uint64_t(*data) << (56 - bits);
                else
                    acc |= uint64_t(*data) << bits;
                bits += 8;
                ++data;
            }
            if (bits < width)
                break;
            makeRoomFor(1);
            if (!step(take()))
                break;
        }
    stopped:
        emit(sent, size_t(out - sent));
        // Drops the look-ahead bits past the held ones.
        if (bits == 0)
            acc = 0;
        else if constexpr (Tiff)
            acc &= ~uint64_t(0) << (64 - bits);
        else
            acc &= ~uint64_t(0) >> (64 - bits);
        acc_ = acc;
        bits_ = bits;
        width_ = width;
        nextFree_ = nextFree;
        previous_ = uint16_t(previous);
        previousLength_ = previousLength;
        historyEnd_ = historyBase_ + uint64_t(out - history);
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
    uint64_t acc_ = 0;         // bits not yet taken: low end (GIF form) or top end (TIFF form)
    int bits_ = 0;
};

using LzwEncodeOutput = std::function<bool(uint8_t)>;
using LzwDecodeOutput = std::function<void(uint8_t)>;
using LzwEncoder = BasicLzwEncoder<LzwEncodeOutput>;
using LzwDecoder = BasicLzwDecoder<LzwDecodeOutput>;

extern template class BasicLzwEncoder<LzwEncodeOutput>;
extern template class BasicLzwDecoder<LzwDecodeOutput>;

} // namespace zemo
