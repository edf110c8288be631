// What a fresh load of the current map's working file holds, object by object and string by
// string, and the undo check built on it: an action, then Undo and Redo twice, each compared
// with the snapshot before or after the action.
#pragma once

#include "TestMapWriter.h"
#include "document/Index.h"
#include "document/Undo.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace zemo::test {

struct MapSnapshot {
    struct Object {
        int n = 0;
        CordRect rect;
        uint16_t symbol = 0;
        std::vector<uint8_t> record;  // 32 + 8 x (nItem + nText) bytes as read back
        friend bool operator==(const Object&, const Object&) = default;
    };
    struct String {
        int number = 0, type = 0, object = 0;
        std::string text;
        friend bool operator==(const String&, const String&) = default;
    };
    std::vector<Object> objects;
    std::vector<String> strings;
    friend bool operator==(const MapSnapshot&, const MapSnapshot&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const MapSnapshot& s)
{
    for (const auto& o : s.objects) {
        size_t hash = 0;
        for (uint8_t b : o.record)
            hash = hash * 131 + b;
        os << "\n  object " << o.n << " symbol " << o.symbol << " rect " << o.rect.x1 << ","
           << o.rect.y1 << "," << o.rect.x2 << "," << o.rect.y2 << " #" << hash;
    }
    for (const auto& t : s.strings)
        os << "\n  string " << t.number << " type " << t.type << " object " << t.object << " '" << t.text << "'";
    return os;
}

// What the store reads of a map, as a file: its working copy, or, before its first change, the
// map itself with what the program keeps in memory until then.
inline std::vector<uint8_t> WorkingFileBytes(TZmd& z)
{
    std::vector<uint8_t> bytes(size_t(z.WorkFile.Size()));
    z.ReadBytesAt(0, bytes);
    return bytes;
}

// Loads a copy (written to `scratch`) of the current map's working file as it is now into a
// document of its own; the store's state and the current map are put back afterwards.
inline MapSnapshot SnapCurrentMap(const QString& scratch)
{
    TZmd* const current = Index.ActiveZmd;
    EXPECT_NE(current, nullptr);
    if (!current)
        return {};
    current->WorkFile.Flush();
    const std::vector<uint8_t> bytes = WorkingFileBytes(*current);
    const std::string copy = QFile::encodeName(scratch).toStdString();
    EXPECT_TRUE(WriteFileBytes(copy, bytes));
    const IndexState keep = Index;
    MapSnapshot s;
    {
        TZmd other;
        other.WorkFile.Open(scratch);
        SetCurrentMap(&other);
        LoadMap();
        for (int n = 1; n <= other.HighestObject; ++n) {
            const ObjectIndexEntry& e = other.Entry(n);
            // Empty slots (deleted, or left by an undone append) are no objects.
            if (e.Length == 0 || (e.Symbol & 0x7FFF) == 0)
                continue;
            ElementRecord& r = Index.DrawElement;
            EXPECT_TRUE(ReadElement(n, r)) << "object " << n;
            s.objects.push_back({n, e.Rect, e.Symbol, ElementRecordBytes(r, int(r.nItem) + r.nText)});
        }
        for (size_t b = 0; b < other.StringBlocks.size(); ++b)
            for (size_t i = 0; i < 256; ++i) {
                const PStringIndexEntry& e = other.StringBlocks[b].Entries[i];
                const int number = int(b * 256 + i);
                if (e.Type > 0)
                    s.strings.push_back({number, e.Type, e.Object, ReadPString(number).toStdString()});
            }
        SetCurrentMap(nullptr);
    }
    Index = keep;
    SetCurrentMap(current);
    return s;
}

// Runs an action, then undo, redo, undo, redo through `undo` and `redo`, checking the loaded
// file after each against the snapshot before or after the action.
inline void CheckUndoRedo(const std::function<MapSnapshot()>& snap, const std::function<void()>& action,
                          const std::function<void()>& undo = UndoEdit,
                          const std::function<void()>& redo = RedoEdit)
{
    const MapSnapshot before = snap();
    action();
    const MapSnapshot after = snap();
    ASSERT_NE(before, after) << "the action changed nothing";
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(CanUndo());
        undo();
        ASSERT_EQ(snap(), before) << "after undo " << round + 1;
        ASSERT_TRUE(CanRedo());
        redo();
        ASSERT_EQ(snap(), after) << "after redo " << round + 1;
        EXPECT_FALSE(CanRedo());
    }
}

} // namespace zemo::test
