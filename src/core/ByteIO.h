// Bounds-checked field access to binary records: every file reader and writer goes through
// these instead of casting structs over bytes.
//
// ByteReader reads fixed-width fields at byte offsets of a buffer it does not own. A field that
// does not lie wholly inside the buffer reads as 0 (or empty) and sets a sticky error flag, so a
// reader can fetch a whole record and test ok() once. ByteWriter appends to or writes at an
// offset of a std::vector<uint8_t>, growing it with zeros as needed.
//
// Fields are little-endian unless the object is made for big-endian data (foreign formats).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace zemo {

// Unchecked loads and stores of one little-endian field; callers have checked the bounds.
template <typename T>
inline T LoadLE(const uint8_t* p)
{
    static_assert(std::is_trivially_copyable_v<T>);
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;  // every target we build for is little-endian (checked in Element.h)
}

template <typename T>
inline void StoreLE(uint8_t* p, T v)
{
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(p, &v, sizeof v);
}

namespace byteio_detail {
template <typename T>
inline T ByteSwapped(T v)
{
    uint8_t b[sizeof(T)];
    std::memcpy(b, &v, sizeof v);
    for (size_t i = 0; i < sizeof(T) / 2; ++i)
        std::swap(b[i], b[sizeof(T) - 1 - i]);
    std::memcpy(&v, b, sizeof v);
    return v;
}
} // namespace byteio_detail

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data, std::endian order = std::endian::little)
        : data_(data), swap_(order != std::endian::native)
    {
    }
    ByteReader(const void* data, size_t size, std::endian order = std::endian::little)
        : ByteReader(std::span(static_cast<const uint8_t*>(data), size), order)
    {
    }

    size_t size() const { return data_.size(); }
    std::span<const uint8_t> data() const { return data_; }
    // False once any access has failed; stays false until ClearError.
    bool ok() const { return ok_; }
    void ClearError() { ok_ = true; }
    // True when `length` bytes at `offset` lie inside the buffer (overflow-safe).
    bool Fits(size_t offset, size_t length) const
    {
        return offset <= data_.size() && length <= data_.size() - offset;
    }

    uint8_t U8(size_t offset) { return Get<uint8_t>(offset); }
    int8_t I8(size_t offset) { return Get<int8_t>(offset); }
    uint16_t U16(size_t offset) { return Get<uint16_t>(offset); }
    int16_t I16(size_t offset) { return Get<int16_t>(offset); }
    uint32_t U32(size_t offset) { return Get<uint32_t>(offset); }
    int32_t I32(size_t offset) { return Get<int32_t>(offset); }
    uint64_t U64(size_t offset) { return Get<uint64_t>(offset); }
    int64_t I64(size_t offset) { return Get<int64_t>(offset); }
    float F32(size_t offset) { return Get<float>(offset); }
    double F64(size_t offset) { return Get<double>(offset); }

    // `length` bytes at `offset`; empty (and an error) when they do not fit.
    std::span<const uint8_t> Bytes(size_t offset, size_t length)
    {
        if (!Check(offset, length))
            return {};
        return data_.subspan(offset, length);
    }
    // Copies out.size() bytes; out is zero-filled when they do not fit.
    bool CopyBytes(size_t offset, std::span<uint8_t> out)
    {
        if (!Check(offset, out.size())) {
            std::memset(out.data(), 0, out.size());
            return false;
        }
        std::memcpy(out.data(), data_.data() + offset, out.size());
        return true;
    }
    // A string[n] field: a length byte and n character bytes (n + 1 bytes in all). The length
    // is clamped to n; the whole field must fit the buffer. The bytes are returned as they are
    // (8-bit code-page text).
    std::string ShortString(size_t offset, size_t n)
    {
        if (n > 255) {  // no length byte can describe such a field
            ok_ = false;
            return {};
        }
        if (!Check(offset, n + 1))
            return {};
        const size_t len = std::min<size_t>(data_[offset], n);
        return std::string(reinterpret_cast<const char*>(data_.data() + offset + 1), len);
    }

    template <typename T>
    T Get(size_t offset)
    {
        if (!Check(offset, sizeof(T)))
            return T{};
        T v = LoadLE<T>(data_.data() + offset);
        return swap_ ? byteio_detail::ByteSwapped(v) : v;
    }

private:
    bool Check(size_t offset, size_t length)
    {
        if (Fits(offset, length))
            return true;
        ok_ = false;
        return false;
    }

    std::span<const uint8_t> data_;
    bool swap_;
    bool ok_ = true;
};

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out, std::endian order = std::endian::little)
        : out_(out), swap_(order != std::endian::native)
    {
    }

    size_t size() const { return out_.size(); }
    std::vector<uint8_t>& buffer() { return out_; }

    // Appending at the end.
    void AddU8(uint8_t v) { out_.push_back(v); }
    void AddI8(int8_t v) { Add(v); }
    void AddU16(uint16_t v) { Add(v); }
    void AddI16(int16_t v) { Add(v); }
    void AddU32(uint32_t v) { Add(v); }
    void AddI32(int32_t v) { Add(v); }
    void AddU64(uint64_t v) { Add(v); }
    void AddI64(int64_t v) { Add(v); }
    void AddF32(float v) { Add(v); }
    void AddF64(double v) { Add(v); }
    void AddBytes(std::span<const uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    void AddZeros(size_t count) { out_.resize(out_.size() + count); }
    void AddShortString(std::string_view s, size_t n) { PutShortString(out_.size(), s, n); }

    // Writing at an offset; the buffer grows with zeros when the field lies past its end.
    void PutU8(size_t offset, uint8_t v) { Put(offset, v); }
    void PutI8(size_t offset, int8_t v) { Put(offset, v); }
    void PutU16(size_t offset, uint16_t v) { Put(offset, v); }
    void PutI16(size_t offset, int16_t v) { Put(offset, v); }
    void PutU32(size_t offset, uint32_t v) { Put(offset, v); }
    void PutI32(size_t offset, int32_t v) { Put(offset, v); }
    void PutU64(size_t offset, uint64_t v) { Put(offset, v); }
    void PutI64(size_t offset, int64_t v) { Put(offset, v); }
    void PutF32(size_t offset, float v) { Put(offset, v); }
    void PutF64(size_t offset, double v) { Put(offset, v); }
    void PutBytes(size_t offset, std::span<const uint8_t> bytes)
    {
        Reserve(offset, bytes.size());
        if (!bytes.empty())
            std::memcpy(out_.data() + offset, bytes.data(), bytes.size());
    }
    // A string[n] field: length byte min(size, n), the characters, zero padding to n.
    // n above 255 is cut to 255 (the length must fit its byte).
    void PutShortString(size_t offset, std::string_view s, size_t n)
    {
        n = std::min<size_t>(n, 255);
        const size_t len = std::min(s.size(), n);
        Reserve(offset, n + 1);
        uint8_t* p = out_.data() + offset;
        p[0] = uint8_t(len);
        if (len)
            std::memcpy(p + 1, s.data(), len);
        std::memset(p + 1 + len, 0, n - len);
    }

    template <typename T>
    void Add(T v)
    {
        Put(out_.size(), v);
    }
    template <typename T>
    void Put(size_t offset, T v)
    {
        Reserve(offset, sizeof(T));
        StoreLE<T>(out_.data() + offset, swap_ ? byteio_detail::ByteSwapped(v) : v);
    }

private:
    void Reserve(size_t offset, size_t length)
    {
        if (offset > out_.max_size() || length > out_.max_size() - offset)
            throw std::length_error("ByteWriter: field beyond any buffer");
        // New bytes are value-initialised, hence zero; the filling form of resize makes
        // gcc 12 report an overflow that cannot happen.
        if (offset + length > out_.size())
            out_.resize(offset + length);
    }

    std::vector<uint8_t>& out_;
    bool swap_;
};

} // namespace zemo
