// Ccitt: the bilevel strips of CCITT-compressed TIFF files, decoded into 1-bit rows (a set bit
// is black, the first pixel in the most significant bit). Three codings, by the TIFF
// compression number: 2 modified Huffman rows, each from a fresh byte, without end-of-line
// codes; 3 T.4 rows after end-of-line codes, one- or two-dimensional as the row's tag bit says
// when T4Options bit 0 allows two-dimensional rows; 4 T.6, two-dimensional rows only.
//
// The decoder is fed bytes as they come; each strip starts white. It writes only into the rows
// it was given and never past them, and it keeps no more than width + 2 changing elements a
// row whatever the data say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace zemo {

inline constexpr int CcittModifiedHuffman = 2;
inline constexpr int CcittT4 = 3;
inline constexpr int CcittT6 = 4;

// T4Options bit 0: rows may be coded two-dimensionally, each after its tag bit.
inline constexpr uint32_t T4TwoDimensional = 1;

// Where row r of the strip goes: (width + 7) div 8 bytes, zeroed beforehand (white); null
// drops the row. Asked once a row, when its first black run or its end is decoded.
using CcittRowOut = std::function<uint8_t*(int row)>;

class CcittDecoder {
public:
    // A new strip of `rows` rows of `width` pixels. Row r goes to out at r x rowBytes when it
    // lies wholly inside out (zeroed beforehand: white); other rows are decoded and dropped.
    // A mode other than 2, 3 or 4, or a width below 1, makes the strip fail at once.
    void StartCcittStrip(int mode, int width, int rows, uint32_t t4Options, std::span<uint8_t> out,
                         int64_t rowBytes);
    // The same with each row placed by rowOut.
    void StartCcittStrip(int mode, int width, int rows, uint32_t t4Options, CcittRowOut rowOut);

    // Adds bytes and decodes as far as they allow. False once the strip's data proved corrupt
    // (a code that matches nothing, a position left of the last change or past the row, too
    // many changes in a row); the rest of the strip is then skipped and its rows count as
    // done. Bytes after the strip's last row are ignored.
    bool DecodeCcitt(const uint8_t* data, size_t count);
    bool DecodeCcitt(uint8_t b) { return DecodeCcitt(&b, 1); }

    bool Failed() const { return failed_; }
    // Every row of the strip has been decoded (or the strip failed).
    bool Done() const { return failed_ || row_ >= rows_; }
    int RowsDone() const { return failed_ ? rows_ : row_; }
    // The rows decoded whole, before any damage.
    int RowsDecoded() const { return row_; }

private:
    enum class Step { Go, NeedMore, Stop };
    enum class Eol { Searching, TagBit, InRow };

    Step StepRow();
    Step StepEol();
    Step StepRun();
    Step StepMode();
    bool EndRun(int64_t p);
    void EndRow();
    Step Fail();
    // The first changing element of the reference row right of a0 with the colour opposite to
    // a0's, and the one after it; the row's width where there is none.
    void FindB1B2(int& b1, int& b2);
    uint8_t* RowOut();

    uint32_t Peek(int n) const { return uint32_t(acc_ >> (64 - n)); }
    // The buffer may hold all 64 bits, so that a drop may take them all.
    void Drop(int n)
    {
        acc_ = n < 64 ? acc_ << n : 0;
        bits_ -= n;
    }

    int mode_ = 0;
    int width_ = 0;
    int rows_ = 0;
    uint32_t t4Options_ = 0;
    CcittRowOut rowOut_;
    uint8_t* rowAt_ = nullptr; // where the current row goes, once asked
    bool rowAsked_ = false;

    uint64_t acc_ = 0; // the bits not yet decoded, the next one highest
    int bits_ = 0;

    int row_ = 0;
    int a0_ = -1;       // -1 at the row start, else the position where the last run ended
    int runStart_ = 0;  // where the pending run of the current colour began (before a pass)
    int colour_ = 0;    // 0 white, 1 black: the colour of the next run
    int runAccum_ = 0;  // make-up lengths of the run being decoded
    int horizontalRuns_ = 0;
    bool twoD_ = false; // the row is coded two-dimensionally
    Eol eol_ = Eol::InRow;
    int eolZeros_ = 0;
    bool failed_ = false;

    std::vector<int> reference_; // changing elements of the row above
    std::vector<int> current_;
    size_t refIndex_ = 0;
};

} // namespace zemo
