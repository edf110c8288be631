#include "external/Ccitt.h"

#include <algorithm>
#include <array>
#include <bit>

namespace zemo {

namespace {

// ---- Code tables (ITU-T T.4, also used by T.6) ----

struct RunCode {
    const char* bits;
    int run;
};

// Terminating codes of runs 0..63 and the make-up codes of 64..1728, white.
constexpr RunCode WhiteCodes[] = {
    {"00110101", 0},    {"000111", 1},      {"0111", 2},        {"1000", 3},
    {"1011", 4},        {"1100", 5},        {"1110", 6},        {"1111", 7},
    {"10011", 8},       {"10100", 9},       {"00111", 10},      {"01000", 11},
    {"001000", 12},     {"000011", 13},     {"110100", 14},     {"110101", 15},
    {"101010", 16},     {"101011", 17},     {"0100111", 18},    {"0001100", 19},
    {"0001000", 20},    {"0010111", 21},    {"0000011", 22},    {"0000100", 23},
    {"0101000", 24},    {"0101011", 25},    {"0010011", 26},    {"0100100", 27},
    {"0011000", 28},    {"00000010", 29},   {"00000011", 30},   {"00011010", 31},
    {"00011011", 32},   {"00010010", 33},   {"00010011", 34},   {"00010100", 35},
    {"00010101", 36},   {"00010110", 37},   {"00010111", 38},   {"00101000", 39},
    {"00101001", 40},   {"00101010", 41},   {"00101011", 42},   {"00101100", 43},
    {"00101101", 44},   {"00000100", 45},   {"00000101", 46},   {"00001010", 47},
    {"00001011", 48},   {"01010010", 49},   {"01010011", 50},   {"01010100", 51},
    {"01010101", 52},   {"00100100", 53},   {"00100101", 54},   {"01011000", 55},
    {"01011001", 56},   {"01011010", 57},   {"01011011", 58},   {"01001010", 59},
    {"01001011", 60},   {"00110010", 61},   {"00110011", 62},   {"00110100", 63},
    {"11011", 64},      {"10010", 128},     {"010111", 192},    {"0110111", 256},
    {"00110110", 320},  {"00110111", 384},  {"01100100", 448},  {"01100101", 512},
    {"01101000", 576},  {"01100111", 640},  {"011001100", 704}, {"011001101", 768},
    {"011010010", 832}, {"011010011", 896}, {"011010100", 960}, {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536},
    {"010011010", 1600}, {"011000", 1664},  {"010011011", 1728},
};

// The same for black.
constexpr RunCode BlackCodes[] = {
    {"0000110111", 0},     {"010", 1},            {"11", 2},             {"10", 3},
    {"011", 4},            {"0011", 5},           {"0010", 6},           {"00011", 7},
    {"000101", 8},         {"000100", 9},         {"0000100", 10},       {"0000101", 11},
    {"0000111", 12},       {"00000100", 13},      {"00000111", 14},      {"000011000", 15},
    {"0000010111", 16},    {"0000011000", 17},    {"0000001000", 18},    {"00001100111", 19},
    {"00001101000", 20},   {"00001101100", 21},   {"00000110111", 22},   {"00000101000", 23},
    {"00000010111", 24},   {"00000011000", 25},   {"000011001010", 26},  {"000011001011", 27},
    {"000011001100", 28},  {"000011001101", 29},  {"000001101000", 30},  {"000001101001", 31},
    {"000001101010", 32},  {"000001101011", 33},  {"000011010010", 34},  {"000011010011", 35},
    {"000011010100", 36},  {"000011010101", 37},  {"000011010110", 38},  {"000011010111", 39},
    {"000001101100", 40},  {"000001101101", 41},  {"000011011010", 42},  {"000011011011", 43},
    {"000001010100", 44},  {"000001010101", 45},  {"000001010110", 46},  {"000001010111", 47},
    {"000001100100", 48},  {"000001100101", 49},  {"000001010010", 50},  {"000001010011", 51},
    {"000000100100", 52},  {"000000110111", 53},  {"000000111000", 54},  {"000000100111", 55},
    {"000000101000", 56},  {"000001011000", 57},  {"000001011001", 58},  {"000000101011", 59},
    {"000000101100", 60},  {"000001011010", 61},  {"000001100110", 62},  {"000001100111", 63},
    {"0000001111", 64},    {"000011001000", 128}, {"000011001001", 192}, {"000001011011", 256},
    {"000000110011", 320}, {"000000110100", 384}, {"000000110101", 448}, {"0000001101100", 512},
    {"0000001101101", 576}, {"0000001001010", 640}, {"0000001001011", 704}, {"0000001001100", 768},
    {"0000001001101", 832}, {"0000001110010", 896}, {"0000001110011", 960}, {"0000001110100", 1024},
    {"0000001110101", 1088}, {"0000001110110", 1152}, {"0000001110111", 1216}, {"0000001010010", 1280},
    {"0000001010011", 1344}, {"0000001010100", 1408}, {"0000001010101", 1472}, {"0000001011010", 1536},
    {"0000001011011", 1600}, {"0000001100100", 1664}, {"0000001100101", 1728},
};

// Make-up codes of both colours for the runs of wide rows.
constexpr RunCode ExtendedCodes[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},
    {"000000010010", 1984}, {"000000010011", 2048}, {"000000010100", 2112},
    {"000000010101", 2176}, {"000000010110", 2240}, {"000000010111", 2304},
    {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

// Run tables are looked up by the next 13 bits, the longest code.
constexpr int RunPeekBits = 13;

enum Kind : uint8_t { Invalid = 0, Terminating = 1, MakeUp = 2 };

struct Entry {
    uint16_t run = 0;
    uint8_t length = 0;
    uint8_t kind = Invalid;
};

using RunTable = std::array<Entry, 1u << RunPeekBits>;

constexpr int CodeLength(const char* bits)
{
    int n = 0;
    while (bits[n])
        ++n;
    return n;
}

constexpr uint32_t CodeValue(const char* bits)
{
    uint32_t v = 0;
    for (int i = 0; bits[i]; ++i)
        v = v << 1 | uint32_t(bits[i] == '1');
    return v;
}

template <size_t N>
constexpr void Enter(RunTable& t, const RunCode (&codes)[N])
{
    for (const RunCode& c : codes) {
        const int len = CodeLength(c.bits);
        const uint32_t first = CodeValue(c.bits) << (RunPeekBits - len);
        for (uint32_t i = 0; i < (1u << (RunPeekBits - len)); ++i)
            t[first + i] = Entry{uint16_t(c.run), uint8_t(len), uint8_t(c.run < 64 ? Terminating : MakeUp)};
    }
}

constexpr RunTable MakeRunTable(bool black)
{
    RunTable t{};
    if (black)
        Enter(t, BlackCodes);
    else
        Enter(t, WhiteCodes);
    Enter(t, ExtendedCodes);
    return t;
}

constinit const RunTable WhiteTable = MakeRunTable(false);
constinit const RunTable BlackTable = MakeRunTable(true);

// Two-dimensional mode codes, looked up by the next 7 bits.
enum Mode : uint8_t { NoMode, Pass, Horizontal, Vertical };

struct ModeEntry {
    uint8_t mode = NoMode;
    uint8_t length = 0;
    int8_t offset = 0; // of a vertical mode: a1 - b1
};

constexpr int ModePeekBits = 7;

constexpr std::array<ModeEntry, 1u << ModePeekBits> MakeModeTable()
{
    struct Code {
        const char* bits;
        Mode mode;
        int offset;
    };
    constexpr Code codes[] = {
        {"1", Vertical, 0},        {"011", Vertical, 1},     {"010", Vertical, -1},
        {"001", Horizontal, 0},    {"0001", Pass, 0},        {"000011", Vertical, 2},
        {"000010", Vertical, -2},  {"0000011", Vertical, 3}, {"0000010", Vertical, -3},
    };
    std::array<ModeEntry, 1u << ModePeekBits> t{};
    for (const Code& c : codes) {
        const int len = CodeLength(c.bits);
        const uint32_t first = CodeValue(c.bits) << (ModePeekBits - len);
        for (uint32_t i = 0; i < (1u << (ModePeekBits - len)); ++i)
            t[first + i] = ModeEntry{uint8_t(c.mode), uint8_t(len), int8_t(c.offset)};
    }
    return t;
}

constinit const std::array<ModeEntry, 1u << ModePeekBits> ModeTable = MakeModeTable();

// Bits from..to-1 of a row set (black), the first pixel in the most significant bit.
void SetBlack(uint8_t* row, int from, int to)
{
    if (from >= to)
        return;
    int first = from >> 3;
    const int last = (to - 1) >> 3;
    const uint8_t head = uint8_t(0xFF >> (from & 7));
    const uint8_t tail = uint8_t(0xFF << (7 - ((to - 1) & 7)));
    if (first == last) {
        row[first] |= head & tail;
        return;
    }
    row[first++] |= head;
    if (last > first)
        std::fill(row + first, row + last, uint8_t(0xFF));
    row[last] |= tail;
}

} // namespace

void CcittDecoder::StartCcittStrip(int mode, int width, int rows, uint32_t t4Options, std::span<uint8_t> out,
                                   int64_t rowBytes)
{
    const bool fits = rowBytes > 0 && (int64_t(width) + 7) / 8 <= rowBytes;
    StartCcittStrip(mode, width, rows, t4Options, [out, rowBytes, fits](int row) -> uint8_t* {
        const int64_t at = int64_t(row) * rowBytes;
        return fits && at + rowBytes <= int64_t(out.size()) ? out.data() + at : nullptr;
    });
}

void CcittDecoder::StartCcittStrip(int mode, int width, int rows, uint32_t t4Options, CcittRowOut rowOut)
{
    mode_ = mode;
    width_ = width;
    rows_ = std::max(rows, 0);
    t4Options_ = t4Options;
    rowOut_ = std::move(rowOut);
    rowAt_ = nullptr;
    rowAsked_ = false;
    acc_ = 0;
    bits_ = 0;
    row_ = 0;
    a0_ = -1;
    runStart_ = 0;
    colour_ = 0;
    runAccum_ = 0;
    horizontalRuns_ = 0;
    twoD_ = mode == CcittT6;
    eol_ = mode == CcittT4 ? Eol::Searching : Eol::InRow;
    eolZeros_ = 0;
    failed_ = (mode < CcittModifiedHuffman || mode > CcittT6 || width < 1) && rows_ > 0;
    reference_.clear();
    current_.clear();
    refIndex_ = 0;
}

bool CcittDecoder::DecodeCcitt(const uint8_t* data, size_t count)
{
    const uint8_t* const end = data + count;
    while (!Done()) {
        while (bits_ <= 56 && data != end) {
            acc_ |= uint64_t(*data++) << (56 - bits_);
            bits_ += 8;
        }
        const Step s = StepRow();
        if (s == Step::Stop || (s == Step::NeedMore && data == end))
            break;
    }
    return !failed_;
}

CcittDecoder::Step CcittDecoder::StepRow()
{
    Step s = Step::Go;
    // A run of codes at a time while the buffer holds the longest code: one check per code.
    while (s == Step::Go && !Done()) {
        if (eol_ != Eol::InRow)
            s = StepEol();
        else if (!twoD_ || horizontalRuns_ > 0)
            s = StepRun();
        else
            s = StepMode();
    }
    return Done() ? Step::Stop : s;
}

CcittDecoder::Step CcittDecoder::StepEol()
{
    if (eol_ == Eol::Searching) {
        if (bits_ == 0)
            return Step::NeedMore;
        const int zeros = std::min(std::countl_zero(acc_), bits_);
        if (zeros == bits_) {
            eolZeros_ += zeros;
            Drop(zeros);
            return Step::NeedMore;
        }
        // A 1 after the zeros: an end-of-line code after eleven or more; else the bits are
        // skipped and the search goes on.
        const bool found = eolZeros_ + zeros >= 11;
        Drop(zeros + 1);
        eolZeros_ = 0;
        if (!found)
            return Step::Go;
        if (!(t4Options_ & T4TwoDimensional)) {
            twoD_ = false;
            eol_ = Eol::InRow;
            return Step::Go;
        }
        eol_ = Eol::TagBit;
    }
    if (bits_ == 0)
        return Step::NeedMore;
    twoD_ = Peek(1) == 0;
    Drop(1);
    eol_ = Eol::InRow;
    return Step::Go;
}

CcittDecoder::Step CcittDecoder::StepRun()
{
    const Entry e = (colour_ ? BlackTable : WhiteTable)[Peek(RunPeekBits)];
    if (e.kind == Invalid || e.length > bits_)
        return bits_ >= RunPeekBits ? Fail() : Step::NeedMore;
    Drop(e.length);
    runAccum_ += e.run;
    if (runAccum_ > width_)
        return Fail();
    if (e.kind == MakeUp)
        return Step::Go;
    const int64_t p = int64_t(std::max(a0_, 0)) + runAccum_;
    runAccum_ = 0;
    if (!EndRun(p))
        return Fail();
    if (horizontalRuns_ > 0 && --horizontalRuns_ > 0)
        return Step::Go;
    if (a0_ >= width_)
        EndRow();
    return Step::Go;
}

CcittDecoder::Step CcittDecoder::StepMode()
{
    const ModeEntry m = ModeTable[Peek(ModePeekBits)];
    if (m.mode == NoMode || m.length > bits_)
        return bits_ >= ModePeekBits ? Fail() : Step::NeedMore;
    Drop(m.length);
    int b1 = 0, b2 = 0;
    switch (m.mode) {
    case Horizontal:
        horizontalRuns_ = 2;
        return Step::Go;
    case Pass:
        FindB1B2(b1, b2);
        a0_ = b2;
        // A pass to the row's end ends the pending run there.
        if (a0_ >= width_) {
            if (!EndRun(width_))
                return Fail();
            EndRow();
        }
        return Step::Go;
    default: {
        FindB1B2(b1, b2);
        const int a1 = b1 + m.offset;
        if (a1 < std::max(a0_, 0) || !EndRun(a1))
            return Fail();
        if (a0_ >= width_)
            EndRow();
        return Step::Go;
    }
    }
}

void CcittDecoder::FindB1B2(int& b1, int& b2)
{
    const std::vector<int>& ref = reference_;
    while (refIndex_ < ref.size() && ref[refIndex_] <= a0_)
        ++refIndex_;
    size_t i = refIndex_;
    // Even elements turn white to black: they are b1 while the current colour is white.
    if (i < ref.size() && int(i & 1) != colour_)
        ++i;
    b1 = i < ref.size() ? ref[i] : width_;
    b2 = i + 1 < ref.size() ? ref[i + 1] : width_;
}

uint8_t* CcittDecoder::RowOut()
{
    if (!rowAsked_) {
        rowAt_ = rowOut_ ? rowOut_(row_) : nullptr;
        rowAsked_ = true;
    }
    return rowAt_;
}

bool CcittDecoder::EndRun(int64_t p)
{
    if (p > width_ || p < runStart_)
        return false;
    const int end = int(p);
    if (colour_)
        if (uint8_t* row = RowOut())
            SetBlack(row, runStart_, end);
    if (mode_ != CcittModifiedHuffman) {
        if (current_.size() >= size_t(width_) + 2)
            return false;
        current_.push_back(end);
    }
    colour_ ^= 1;
    a0_ = runStart_ = end;
    return true;
}

void CcittDecoder::EndRow()
{
    // A white row is placed too: it is part of the picture.
    RowOut();
    rowAsked_ = false;
    rowAt_ = nullptr;
    ++row_;
    a0_ = -1;
    runStart_ = 0;
    colour_ = 0;
    runAccum_ = 0;
    horizontalRuns_ = 0;
    refIndex_ = 0;
    if (mode_ == CcittModifiedHuffman) {
        Drop(bits_ & 7); // the next row starts on a fresh byte
        return;
    }
    reference_.swap(current_);
    current_.clear();
    if (mode_ == CcittT4)
        eol_ = Eol::Searching;
}

CcittDecoder::Step CcittDecoder::Fail()
{
    failed_ = true;
    return Step::Stop;
}

} // namespace zemo
