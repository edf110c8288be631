// The in-memory form of one map object (ElementRecord) and its process-wide buffers.
#pragma once

#include "core/Cord.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace zemo {

// Object types of the head's type byte.
enum ObjectType : uint8_t {
    PointObject = 1,
    LineObject = 2,
    AreaObject = 3,
    TextObject = 4,
    RectangleObject = 5,
};

// An ElementBuffer holds 262,432 bytes: a 32-byte head and room for this many 8-byte slots
// (coordinates followed by text slots).
inline constexpr size_t ElementBufferBytes = 262432;
inline constexpr size_t ElementHeadBytes = 32;
inline constexpr size_t ElementSlotCapacity = (ElementBufferBytes - ElementHeadBytes) / 8;
inline constexpr int MaxElementItems = 32768;
inline constexpr int MaxElementTextSlots = 2048;
inline constexpr uint8_t ElementUtf16Flag = 1;

// One map object. The file form is written and read field by field by the store;
// this struct is only the working copy.
struct ElementRecord {
    int16_t Symbol = 0;      // symbol number x 10; negative = imported, undefined symbol
    uint8_t ObjectType = 0;  // PointObject .. RectangleObject
    uint8_t Flags = 0;       // ElementUtf16Flag
    uint16_t nItem = 0;      // number of Cords
    uint16_t nText = 0;      // number of 8-byte text slots after the Cords
    int16_t Angle = 0;       // tenths of a degree; colour number of a symbol-graphics element
    int16_t Word10 = 0;      // symbol-graphics element: line width in 0.01 mm
    int16_t Word12 = 0;      // symbol-graphics element: line style
    int16_t Word14 = 0;      // symbol-graphics element: diameter in 0.01 mm
    std::array<uint8_t, 16> LayerName{};  // short string: length byte, then characters
    // Cords, then text slots; a text slot holds 8 raw bytes in the same storage.
    std::array<Cord, ElementSlotCapacity> Slots{};

    Cord* Cords() { return Slots.data(); }
    const Cord* Cords() const { return Slots.data(); }
    size_t SlotCount() const { return size_t(nItem) + nText; }
    // The text bytes start right after the Cords (x86 and every target we build for is
    // little-endian, so the bytes are in file order).
    uint8_t* TextBytes() { return reinterpret_cast<uint8_t*>(Slots.data() + nItem); }
    const uint8_t* TextBytes() const { return reinterpret_cast<const uint8_t*>(Slots.data() + nItem); }
};

static_assert(sizeof(Cord) == 8, "a Cord is one 8-byte slot");
static_assert(std::endian::native == std::endian::little, "text slots are read in file byte order");

} // namespace zemo
