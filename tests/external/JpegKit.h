// JPEG files built marker by marker, the way no encoder writes them on purpose: a progressive
// frame of any size followed by many scans without data, Huffman or arithmetic coded.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace zemo::test {

class JpegBuilder {
public:
    // A grey frame of width x height: progressive (SOF2, or SOF10 when arithmetic) or
    // sequential (SOF0, SOF9).
    JpegBuilder(int width, int height, bool progressive, bool arithmetic)
    {
        b_ = QByteArray::fromHex("ffd8");
        // One quantisation table of ones.
        Marker(0xDB, QByteArray(1, '\0') + QByteArray(64, '\1'));
        if (!arithmetic) {
            // A DC and an AC table with a single one-bit code each, for symbol 0.
            QByteArray tables;
            for (char tc : {'\x00', '\x10'})
                tables += QByteArray(1, tc) + QByteArray(1, '\1') + QByteArray(15, '\0') + QByteArray(1, '\0');
            Marker(0xC4, tables);
        }
        const uint8_t sof = progressive ? (arithmetic ? 0xCA : 0xC2) : (arithmetic ? 0xC9 : 0xC0);
        QByteArray frame;
        frame.append('\x08');
        Put16(frame, height);
        Put16(frame, width);
        frame.append(QByteArray::fromHex("01011100"));
        Marker(sof, frame);
    }

    // A scan of the grey component over coefficients ss..se with successive approximation
    // ah, al, and these entropy-coded bytes.
    JpegBuilder& Scan(int ss, int se, int ah = 0, int al = 0, const QByteArray& data = {})
    {
        QByteArray sos = QByteArray::fromHex("010100");
        sos.append(char(ss));
        sos.append(char(se));
        sos.append(char(ah << 4 | al));
        Marker(0xDA, sos);
        b_ += data;
        return *this;
    }
    // The DC scan, then `count` AC scans of all coefficients, all without data.
    JpegBuilder& EmptyScans(int count)
    {
        Scan(0, 0);
        for (int i = 0; i < count; ++i)
            Scan(1, 63);
        return *this;
    }
    QByteArray Bytes() const { return b_ + QByteArray::fromHex("ffd9"); }

private:
    static void Put16(QByteArray& b, int v)
    {
        b.append(char(v >> 8 & 0xFF));
        b.append(char(v & 0xFF));
    }
    void Marker(uint8_t m, const QByteArray& body)
    {
        b_.append('\xFF');
        b_.append(char(m));
        Put16(b_, int(body.size()) + 2);
        b_ += body;
    }

    QByteArray b_;
};

} // namespace zemo::test
