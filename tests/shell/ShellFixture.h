// The running program and the one small map the shell's window tests open.
#pragma once

#include "../support/ProgramFixture.h"
#include "../support/FileState.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "document/Index.h"
#include "document/Open.h"
#include "edit/widgets/MdiChild.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "symbols/widgets/SymbolBox.h"
#include "symbols/widgets/SymbolFeatures.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace zemo::test {

// 1 mm in map units.
inline constexpr int32_t Mm = 25600;

class ShellTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
    }
    // Symbols point 101, line 201 and text 301; one line across 200 x 100 mm about the origin.
    QString WriteSample(const QString& name, TestMapLayout* layout = nullptr) const
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201), TestSymbol::Text(301)};
        w.objects.push_back(TestObject::Line(201, {{-100 * Mm, -50 * Mm}, {100 * Mm, 50 * Mm}}));
        const QString path = TempPath(name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString(), layout));
        return path;
    }
    bool OpenSample(const QString& name = QStringLiteral("sample.zmd"))
    {
        return OpenMap(WriteSample(name));
    }
    // A click on the symbol box's cell of list position pos.
    void ChooseSymbol(int pos)
    {
        TSymbolBox* box = SymbolBoxOf(Frame());
        ASSERT_NE(box, nullptr);
        Click(box->viewport(), box->CellRect(pos).center());
    }
    // As a user: the menu opens (its states brought up to date), then the item is clicked.
    void Choose(Cmd c)
    {
        Frame().UpdateCommandStates();
        Trigger(c);
    }
    // A real change of a map whose one object is a line through the middle: the line deleted
    // with the edit tool.
    void DeleteTheLine()
    {
        ShowAtTenthMillimetres();
        Trigger(Cmd::EditObjBtn);
        Click(Surface(), At(0, 0));
        ASSERT_EQ(Index.SelectedIndex, 1);
        Key(Surface(), Qt::Key_Delete);
        ASSERT_EQ(CountObjects(), 0);
    }
    bool Enabled(Cmd c) const { return Frame().Action(c)->isEnabled(); }
};

} // namespace zemo::test
