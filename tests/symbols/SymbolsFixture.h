// A map file written by the test writer and opened as the current map; its symbols by number,
// position and selection, and the file's bytes at literal offsets.
#pragma once

#include "../support/CurrentMap.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "symbols/SymbolMenu.h"
#include "symbols/store/SymbolStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace zemo::test {

class SymbolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetIndexState();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("map.zmd").toStdString();
    }
    void TearDown() override { Close(); }

    void Open(const TestMapWriter& w)
    {
        ASSERT_TRUE(w.WriteTo(path, &layout));
        Reopen();
    }
    // Point symbols of these numbers (times ten), in this order.
    void OpenNumbered(std::initializer_list<int16_t> numbers)
    {
        Open(Numbered(numbers));
    }
    static TestMapWriter Numbered(std::initializer_list<int16_t> numbers)
    {
        TestMapWriter w(8);
        for (int16_t n : numbers)
            w.symbols.push_back(TestSymbol::Point(n));
        return w;
    }
    void Reopen()
    {
        Close();
        zmd = OpenAsCurrentMap(path);
    }
    void Close()
    {
        CloseCurrentMap(zmd);
        Index.MapOpen = false;
    }
    std::vector<uint8_t> FileBytes() const
    {
        std::ifstream f(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
    }
    // The symbol store alone on the file, as the map store reads it.
    std::unique_ptr<SymbolStore> OpenStore() const
    {
        auto store = std::make_unique<SymbolStore>();
        store->WorkFile.Open(QString::fromStdString(path));
        std::array<uint8_t, 48> h{};
        store->ReadBytesAt(0, h);
        store->Header = ReadMapHeaderBytes(h);
        store->ReadSymbolIndex();
        store->BuildNumberTable();
        return store;
    }
    static std::vector<int> NumbersOf(const SymbolStore& s)
    {
        std::vector<int> v;
        for (const auto& r : s.Symbols)
            v.push_back(SymI16(r, SymNumber));
        return v;
    }
    std::vector<int> Numbers() const { return NumbersOf(*zmd); }
    std::vector<int> SelectedPositions() const
    {
        std::vector<int> v;
        for (int k = 0; k < zmd->SymbolCount(); ++k)
            if (SymU8(zmd->Symbols[size_t(k)], SymSelected))
                v.push_back(k);
        return v;
    }
    // A multi-selection of these list positions, no current symbol.
    void Select(std::initializer_list<int> positions)
    {
        SetCurrentSymbolPos(-1);
        for (auto& r : zmd->Symbols)
            SetSymU8(r, SymSelected, 0);
        for (int k : positions)
            SetSymU8(zmd->Symbols[size_t(k)], SymSelected, 1);
    }
    TZmd& Z() { return *zmd; }

    QTemporaryDir dir;
    std::string path;
    TestMapLayout layout;
    std::unique_ptr<TZmd> zmd;
    RecordingMessages messages;
};

} // namespace zemo::test
