// A test-only reader of map files of versions 6 to 8: header, colour block, symbols, object
// entries and records, parameter strings and the information text, each field at its literal
// offset with the writer's little-endian helpers and nothing of the program's own code, so
// that a writer and a reader wrong in the same way cannot hide each other.
//
// Besides the fields it reads, it checks what every file the program writes must be: chains
// inside the file and without cycles, records inside the file and apart from each other,
// counts within their limits and lengths that hold their records, texts with their ends,
// rectangles that hold their objects' points, and what versions 6 and 7 cannot hold (more than
// 1990 points, UTF-16 text, dash points in version 6, more than 24 separations).
#pragma once

#include "TestMapWriter.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zemo::test {

struct ReadHeader {
    uint16_t mark = 0, fileType = 0, version = 0, subversion = 0;
    int32_t symbolIndex = 0, objectIndex = 0, setupPos = 0, setupSize = 0, infoPos = 0,
            infoSize = 0, stringIndex = 0;
};

struct ReadColor {
    uint16_t number = 0;
    int16_t overprint = 0;
    std::array<uint8_t, 4> cmyk{};
    std::string name;
};

struct ReadSymbol {
    int32_t pos = 0;
    std::vector<uint8_t> bytes;  // the whole record
    int16_t number10 = 0;
    int16_t type = 0;
};

// A live object: its index entry and its record.
struct ReadObject {
    int number = 0;          // index number, from 1
    TestRect rect;
    int32_t pos = 0;
    uint16_t entryLength = 0;  // as stored: slots in v8, bytes in v6/v7
    uint16_t entrySymbol = 0;
    int16_t symbol = 0;
    uint8_t type = 0;
    uint8_t flags = 0;
    uint16_t nItem = 0;
    uint16_t nText = 0;
    int16_t angle = 0;
    std::vector<TestCord> cords;  // with their flags
    std::vector<uint8_t> text;    // the nText slots' bytes

    std::string Text8() const;        // up to the terminator
    std::u16string Text16() const;    // UTF-16 text up to the terminator
};

struct ReadString {
    int number = 0;
    int32_t pos = 0, reserved = 0, type = 0, object = 0;
    std::string text;
};

struct ReadMap {
    size_t fileSize = 0;
    ReadHeader header;
    int16_t colorCount = 0, separationCount = 0;
    std::vector<ReadColor> colors;  // the colours in use
    std::vector<uint8_t> setup;     // the setup record's bytes
    std::string info;               // up to its terminator
    std::vector<ReadSymbol> symbols;
    int objectSlots = 0;            // entries of the object chain, empty ones included
    std::vector<ReadObject> objects;
    std::vector<ReadString> strings;
    std::vector<std::string> problems;

    bool Sound() const { return problems.empty(); }
    std::string Problems() const;   // one a line
    const ReadObject* Object(int number) const;
    const ReadSymbol* Symbol(int16_t number10) const;
};

ReadMap ReadMapBytes(const std::vector<uint8_t>& bytes);
ReadMap ReadMapFile(const std::string& path);

} // namespace zemo::test
