// A map file on disk opened as the current map, with helpers to reopen it and to read its
// bytes at literal offsets.
#pragma once

#include "../support/TestMapWriter.h"
#include "core/Messages.h"
#include "document/Index.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace zemo::test {

class MapStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetIndexState();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("map.zmd").toStdString();
    }
    void TearDown() override { Close(); }

    // Writes the bytes and opens them as the current map.
    void OpenBytes(const std::vector<uint8_t>& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        OpenFile();
    }
    void Open(const TestMapWriter& w) { OpenBytes(w.Build(&layout)); }

    void OpenFile()
    {
        Close();
        zmd = std::make_unique<TZmd>();
        zmd->WorkFile.Open(QString::fromStdString(path));
        SetCurrentMap(zmd.get());
        LoadMap();
        Index.MapOpen = true;
    }
    void Close()
    {
        if (zmd) {
            SetCurrentMap(nullptr);
            zmd.reset();
        }
        Index.MapOpen = false;
    }
    void Reopen() { OpenFile(); }

    std::vector<uint8_t> FileBytes() const
    {
        std::ifstream f(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
    }

    // A new object in CurElement.
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
        ElementRecord& e = Index.CurElement;
        e = ElementRecord{};
        e.Symbol = symbol;
        e.ObjectType = TextObject;
        e.nItem = 1;
        e.Slots[0] = {0, 0};
        std::memcpy(e.TextBytes(), text.data(), text.size());
        e.TextBytes()[text.size()] = 0;
        e.nText = uint16_t(text.size() / 8 + 1);
    }

    TZmd& Z() { return *zmd; }

    QTemporaryDir dir;
    std::string path;
    TestMapLayout layout;
    std::unique_ptr<TZmd> zmd;
    RecordingMessages messages;
};

} // namespace zemo::test
