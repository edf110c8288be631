// A map opened as the current map with one undo ring active and an undo file in a temporary
// state folder, and snapshots of the working file as a fresh load of it sees them.
#pragma once

#include "MapStoreFixture.h"
#include "document/Ports.h"
#include "document/Undo.h"

#include <QTemporaryDir>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace zemo::test {

// What a fresh load of a map file holds, object by object and string by string.
struct MapSnapshot {
    struct Object {
        int n = 0;
        bool live = false;
        CordRect rect;
        uint16_t symbol = 0;
        std::vector<uint8_t> record;  // 32 + 8 x (nItem + nText) bytes as read back
        friend bool operator==(const Object&, const Object&) = default;
    };
    struct String {
        int number = 0;
        int type = 0;
        int object = 0;
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
        os << "\n  object " << o.n;
        if (!o.live) {
            os << " empty";
            continue;
        }
        os << " symbol " << o.symbol << " rect " << o.rect.x1 << "," << o.rect.y1 << ","
           << o.rect.x2 << "," << o.rect.y2 << " record " << o.record.size() << " bytes";
        size_t hash = 0;
        for (uint8_t b : o.record)
            hash = hash * 131 + b;
        os << " #" << hash;
    }
    for (const auto& t : s.strings)
        os << "\n  string " << t.number << " type " << t.type << " object " << t.object << " '"
           << t.text << "'";
    return os;
}

class UndoTest : public MapStoreTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(stateDir.isValid());
        oldState = qEnvironmentVariable("XDG_STATE_HOME");
        hadState = qEnvironmentVariableIsSet("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", stateDir.path().toLocal8Bit());
        MapStoreTest::SetUp();
        ResetUndoState();
        SetActiveUndoRing(&ring);
        ASSERT_TRUE(CreateUndoFile(false));
        DocumentPorts().UpdateRect.Bind([this](const CordRect& r) { redrawn.push_back(r); });
    }
    void TearDown() override
    {
        DocumentPorts().UpdateRect.Unbind();
        DocumentPorts().RepaintWindow.Unbind();
        MapStoreTest::TearDown();
        ResetUndoState();
        if (hadState)
            qputenv("XDG_STATE_HOME", oldState.toLocal8Bit());
        else
            qunsetenv("XDG_STATE_HOME");
    }

    // Opens the map and writes every object once through the store (undo off), so that each
    // index entry holds the rectangle the store itself computes: the test writer widens
    // rectangles and texts its own way, and any later write of an object recomputes them.
    void OpenNormalized(const TestMapWriter& w)
    {
        Open(w);
        UndoSuspend quiet;
        for (int n = 1; n <= Z().HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, Index.CurElement)) {
                ASSERT_TRUE(SaveElement(n)) << n;
            }
    }

    // Loads a copy of the working file as it is now into a document of its own.
    MapSnapshot Snap()
    {
        const std::string copy = dir.filePath("snapshot.zmd").toStdString();
        EXPECT_TRUE(WriteFileBytes(copy, FileBytes()));
        const IndexState keep = Index;
        MapSnapshot s;
        {
            TZmd other;
            other.WorkFile.Open(QString::fromStdString(copy));
            SetCurrentMap(&other);
            LoadMap();
            for (int n = 1; n <= other.HighestObject; ++n) {
                MapSnapshot::Object o;
                o.n = n;
                const ObjectIndexEntry& e = other.Entry(n);
                o.live = e.Length != 0 && (e.Symbol & 0x7FFF) != 0;
                if (o.live) {
                    o.rect = e.Rect;
                    o.symbol = e.Symbol;
                    ElementRecord& r = Index.DrawElement;
                    EXPECT_TRUE(ReadElement(n, r)) << "object " << n;
                    o.record = ElementRecordBytes(r, int(r.nItem) + r.nText);
                }
                // Empty slots (deleted, or left by an undone append) are no objects.
                if (o.live)
                    s.objects.push_back(o);
            }
            for (size_t b = 0; b < other.StringBlocks.size(); ++b)
                for (size_t i = 0; i < 256; ++i) {
                    const PStringIndexEntry& e = other.StringBlocks[b].Entries[i];
                    if (e.Type <= 0)
                        continue;
                    const int number = int(b * 256 + i);
                    s.strings.push_back({number, e.Type, e.Object, ReadPString(number).toStdString()});
                }
            SetCurrentMap(nullptr);
        }
        Index = keep;
        SetCurrentMap(zmd.get());
        return s;
    }

    // Runs an action, then undo, redo, undo, redo, checking the loaded file after each against
    // the snapshot before or after the action.
    void CheckUndoRedo(const std::function<void()>& action)
    {
        const MapSnapshot before = Snap();
        action();
        const MapSnapshot after = Snap();
        ASSERT_NE(before, after) << "the action changed nothing";
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(CanUndo());
            UndoEdit();
            ASSERT_EQ(Snap(), before) << "after undo " << round + 1;
            ASSERT_TRUE(CanRedo());
            RedoEdit();
            ASSERT_EQ(Snap(), after) << "after redo " << round + 1;
            EXPECT_FALSE(CanRedo());
        }
    }

    // Selects exactly these objects.
    static void Select(std::initializer_list<int> numbers)
    {
        ClearSelection();
        for (int n : numbers) {
            ASSERT_TRUE(GetIndex(n));
            ToggleSelection(n);
        }
    }

    QTemporaryDir stateDir;
    QString oldState;
    bool hadState = false;
    UndoRing ring;
    std::vector<CordRect> redrawn;
};

// The Sample map as a course-setting map (object 1 has a course-object string).
inline TestMapWriter CourseSample()
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.fileType = 3;
    return w;
}

} // namespace zemo::test
