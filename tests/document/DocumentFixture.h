// The folder's one fixture: a temporary folder for maps, state and config; a clean store,
// open list and undo unit; recorded messages and file dialogs. Helpers open a test map as the
// current map, read files at offsets, build objects, and for undo compare fresh loads of the
// working file.
#pragma once

#include "../support/CurrentMap.h"
#include "../support/FileState.h"
#include "../support/MapSnapshot.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/Undo.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace zemo::test {

inline constexpr int32_t mm = kUnitsPerMm;
inline const CordRect AllMap{-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit};

// Colours 0, 3, 7 and 9; lines 10 (colour 3) and 20 (colour 7), and area 30 of colours 9 and 7.
inline TestMapWriter ColouredSymbolsMap()
{
    TestMapWriter w;
    w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(3, "Blue", 200, 0, 0, 0),
                TestColor::Cmyk(7, "Brown", 0, 100, 200, 40), TestColor::Cmyk(9, "Green", 150, 0, 180, 0)};
    w.symbols = {TestSymbol::Line(10, 3), TestSymbol::Line(20, 7), TestSymbol::Area(30, 9)};
    w.symbols[2].AddColor(7);
    return w;
}

inline bool ColourDefined(const SymbolHeaderBlock& colours, int number)
{
    for (int i = 0; i < colours.ColorCount; ++i)
        if (colours.Colors[size_t(i)].Number == number)
            return true;
    return false;
}

// Walks an element list: its elements fill exactly `slots` slots with defined colours.
inline ::testing::AssertionResult ListSound(const SymbolBytes& rec, size_t offset, int slots,
                                            const SymbolHeaderBlock& colours)
{
    for (int s = 0; s < slots;) {
        const size_t at = offset + size_t(s) * 8;
        if (at + 16 > rec.size())
            return ::testing::AssertionFailure() << "element head past the record at slot " << s;
        const int kind = GetU16(rec, at), width = GetU16(rec, at + 6), diameter = GetU16(rec, at + 8);
        const int count = GetI16(rec, at + 10);
        if (kind < 1 || kind > 4 || count < 1 || s + 2 + count > slots || !ColourDefined(colours, GetU16(rec, at + 4)))
            return ::testing::AssertionFailure() << "bad element at slot " << s;
        if ((kind == 1 && (count < 2 || width <= 0)) || (kind == 2 && count < 3)
            || (kind == 3 && diameter <= width) || (kind == 4 && diameter <= 0))
            return ::testing::AssertionFailure() << "element of kind " << kind << " malformed";
        s += 2 + count;
    }
    return ::testing::AssertionSuccess();
}

// A symbol record the painters can use: its size word is its length and matches its counts,
// its element lists are whole and its colours exist.
inline ::testing::AssertionResult SymbolUsable(const SymbolBytes& rec, const SymbolHeaderBlock& colours)
{
    if (rec.size() < 348 || size_t(SymI16(rec, SymSize)) != rec.size() || rec.size() % 4 != 0)
        return ::testing::AssertionFailure() << "size word " << SymI16(rec, SymSize) << " buffer " << rec.size();
    const int type = SymI16(rec, SymObjectType);
    const size_t size = rec.size();
    auto colour = [&](size_t at) { return ColourDefined(colours, SymI16(rec, at)); };
    switch (type) {
    case 1:
        if (size != 352 + size_t(SymI16(rec, 348)) * 8)
            return ::testing::AssertionFailure() << "point size " << size;
        return ListSound(rec, 352, SymI16(rec, 348), colours);
    case 2:
        if (SymU8(rec, SymTextFlag) == 1)
            return size == 440 && colour(380) ? ::testing::AssertionSuccess()
                                              : ::testing::AssertionFailure() << "line text";
        else {
            size_t offset = 424;
            for (size_t k = 0; k < 5; ++k) {
                const int slots = SymI16(rec, 412 + 2 * k);
                if (auto r = ListSound(rec, offset, slots, colours); !r)
                    return r;
                offset += size_t(slots) * 8;
            }
            if (size != offset || (SymI16(rec, 350) > 0 && !colour(348)))
                return ::testing::AssertionFailure() << "line size " << size << " != " << offset;
            return ::testing::AssertionSuccess();
        }
    case 3:
        if (size != 380 + size_t(SymI16(rec, 378)) * 8 || (SymI16(rec, 350) != 0 && !colour(352))
            || (SymI16(rec, 354) > 0 && (!colour(356) || SymI16(rec, 360) <= 0)))
            return ::testing::AssertionFailure() << "area";
        return ListSound(rec, 380, SymI16(rec, 378), colours);
    case 4:
        return SymU8(rec, SymTextFlag) == 1 && size == 588 && colour(380) && SymI16(rec, 382) >= 10
            ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "text";
    case 5:
        return size == 416 && colour(348) ? ::testing::AssertionSuccess()
                                          : ::testing::AssertionFailure() << "rectangle";
    default: return ::testing::AssertionFailure() << "type " << type;
    }
}

class DocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_STATE_HOME", (dir.path() + "/state").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        QDir().mkpath(dir.path() + "/maps");
        ResetOpenUnit();
        ResetIndexState();
        ResetUndoState();
        DefaultConfig(ProgramConfig);
        ProgramConfig.AutoSave = false;
        messages.SetDefaultAnswer(IdOk);  // old versions are opened when asked
        path = dir.filePath("map.zmd").toStdString();
    }
    void TearDown() override
    {
        Close();
        DocumentPorts().UpdateRect.Unbind();
        DocumentPorts().RepaintWindow.Unbind();
        DocumentPorts().MeasureFrameText.Unbind();
        DocumentPorts().CreateWindow.Unbind();
        ResetOpenUnit();
        ResetIndexState();
        ResetUndoState();
    }

    // ---- The store alone: a file opened as the current map ----
    void OpenBytes(const std::vector<uint8_t>& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        OpenFile();
    }
    void Open(const TestMapWriter& w) { OpenBytes(w.Build(&layout)); }
    void OpenFile()
    {
        Close();
        zmd = OpenAsCurrentMap(path);
    }
    void Close()
    {
        CloseCurrentMap(zmd);
        Index.MapOpen = false;
    }
    void Reopen() { OpenFile(); }
    std::vector<uint8_t> FileBytes() const { return ReadAll(QString::fromStdString(path)); }
    TZmd& Z() { return *Index.ActiveZmd; }

    // ---- Through the open unit: files in the maps folder ----
    QString MapPath(const QString& name) const { return dir.path() + "/maps/" + name; }
    QString Write(const TestMapWriter& w, const QString& name, TestMapLayout* l = nullptr)
    {
        const QString p = MapPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(p).toStdString(), l));
        return p;
    }
    QString WriteBytes(const std::vector<uint8_t>& bytes, const QString& name)
    {
        const QString p = MapPath(name);
        EXPECT_TRUE(WriteFileBytes(QFile::encodeName(p).toStdString(), bytes));
        return p;
    }
    // File > Open's road: written to the maps folder, opened into a working copy.
    void OpenWritten(const TestMapWriter& w, const QString& name)
    {
        ASSERT_TRUE(OpenMapByName(Write(w, name)));
    }
    QStringList WorkingCopies() const
    {
        return QDir(StateFolder()).entryList({"temp*.~md"}, QDir::Files, QDir::Name);
    }
    QStringList FilesIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // ---- New objects in CurElement ----
    static void MakePoint(int16_t symbol, int32_t x, int32_t y)
    {
        ElementRecord& e = Index.CurElement;
        e = ElementRecord{};
        e.Symbol = symbol;
        e.ObjectType = PointObject;
        e.nItem = 1;
        e.Slots[0] = {x, y};
    }
    static void MakeLine(int16_t symbol, int n, int32_t step)
    {
        ElementRecord& e = Index.CurElement;
        e = ElementRecord{};
        e.Symbol = symbol;
        e.ObjectType = LineObject;
        e.nItem = uint16_t(n);
        for (int i = 0; i < n; ++i)
            e.Slots[size_t(i)] = {i * step, -i * step};
    }
    static void MakeText(int16_t symbol, const std::string& text)
    {
        MakePoint(symbol, 0, 0);
        Index.CurElement.ObjectType = TextObject;
        std::memcpy(Index.CurElement.TextBytes(), text.data(), text.size());
        Index.CurElement.TextBytes()[text.size()] = 0;
        Index.CurElement.nText = uint16_t(text.size() / 8 + 1);
    }
    static void AppendPoint(int16_t symbol, int32_t x, int32_t y)
    {
        MakePoint(symbol, x, y);
        ASSERT_TRUE(AppendElement());
    }
    // Object numbers a scan of the rectangle finds, from `start` round.
    static std::vector<int> Scan(const CordRect& r = AllMap, int colour = -1, int start = 0)
    {
        std::vector<int> found;
        StartElementScan(start);
        while (NextElementInRect(r, colour))
            found.push_back(Index.CurIndexNo);
        return found;
    }
    static void Select(std::initializer_list<int> numbers)
    {
        ClearSelection();
        for (int n : numbers) {
            ASSERT_TRUE(GetIndex(n));
            ToggleSelection(n);
        }
    }

    // ---- Undo: one ring, an undo file in the state folder ----
    // Opens the map with undo on and writes every object once through the store (undo off),
    // so that each index entry holds the rectangle the store itself computes.
    void OpenWithUndo(const TestMapWriter& w)
    {
        SetActiveUndoRing(&ring);
        ASSERT_TRUE(CreateUndoFile(false));
        DocumentPorts().UpdateRect.Bind([this](const CordRect& r) { redrawn.push_back(r); });
        Open(w);
        UndoSuspend quiet;
        for (int n = 1; n <= Z().HighestObject; ++n)
            if (GetIndex(n) && ReadElement(n, Index.CurElement)) {
                ASSERT_TRUE(SaveElement(n)) << n;
            }
    }

    // Loads a copy of the working file as it is now into a document of its own.
    MapSnapshot Snap() { return SnapCurrentMap(dir.filePath("snapshot.zmd")); }

    // Runs an action, then undo, redo, undo, redo, checking the loaded file after each against
    // the snapshot before or after the action.
    void CheckUndoRedo(const std::function<void()>& action)
    {
        zemo::test::CheckUndoRedo([this] { return Snap(); }, action);
    }

    QTemporaryDir dir;
    std::string path;  // the store's own file
    TestMapLayout layout;
    std::unique_ptr<TZmd> zmd;
    RecordingMessages messages;
    RecordingFileDialogs dialogs;
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
