#include "core/Config.h"
#include "core/LangTexts.h"
#include "shell/MenuModel.h"

#include <gtest/gtest.h>

#include <set>

using namespace zemo;

TEST(MenuModel, EveryItemAndButtonIsListedOnceAndRunsARoutedCommand)
{
    std::set<Cmd> seen;
    for (const MenuItemDef& d : MenuItems()) {
        EXPECT_TRUE(seen.insert(d.id).second) << CmdName(d.id);
        if (d.handler != Cmd::None) {
            EXPECT_NE(RouteOf(d.handler), Route::None) << CmdName(d.id);
        }
    }
    for (const ButtonDef& b : ToolButtons()) {
        EXPECT_TRUE(seen.insert(b.id).second) << CmdName(b.id);
        EXPECT_NE(RouteOf(b.handler), Route::None) << CmdName(b.id);
    }
    EXPECT_EQ(int(seen.size()), CmdCount);
    EXPECT_EQ(CmdFromName(QStringLiteral("ExtrasChangeScale")), Cmd::ExtrasChangeScale);
    EXPECT_EQ(CmdFromName(QStringLiteral("Nothing")), Cmd::None);
}

TEST(MenuModel, SubmenuItemsHangUnderTheirMenu)
{
    EXPECT_EQ(ParentItem(Cmd::FileExportEps), Cmd::FileExport);
    EXPECT_EQ(ParentItem(Cmd::FileExport), Cmd::FileMnu);
    EXPECT_EQ(ParentItem(Cmd::AssignAngle), Cmd::DbAssign);
    EXPECT_EQ(ParentItem(Cmd::DbOpenLinks), Cmd::DatabaseMnu);
    EXPECT_EQ(ParentItem(Cmd::SymbolSelAllPop), Cmd::SymbolSelectPop);
    EXPECT_EQ(ParentItem(Cmd::SymbolNormalPop), Cmd::None);
    EXPECT_EQ(ParentItem(Cmd::HelpMnu), Cmd::None);
}

TEST(MenuModel, CaptionsAndHintsComeFromTheLanguageTexts)
{
    ASSERT_TRUE(LoadTexts());
    SetText(TextKey::FileOpen, "&Open");
    EXPECT_EQ(MenuCaption(*FindMenuItem(Cmd::FileOpen)), QStringLiteral("&Open..."));
    EXPECT_EQ(MenuCaption(*FindMenuItem(Cmd::TemplateOpen)), QStringLiteral("&Open..."));
    EXPECT_EQ(ButtonHint(*FindButton(Cmd::OpenBtn)), QStringLiteral("Open"));
    EXPECT_EQ(MenuCaption(*FindMenuItem(Cmd::FileExportKiv)),
              QStringLiteral("KIV (ZEMO Internet Map)..."));
    EXPECT_EQ(MenuCaption(*FindMenuItem(Cmd::View05X)), QStringLiteral("0.&5X"));

    SetText(TextKey::SmoothHint, "Smoothing;");
    EXPECT_EQ(ButtonHint(*FindButton(Cmd::Smooth0Btn)), QStringLiteral("Smoothing 0"));
    EXPECT_EQ(ButtonHint(*FindButton(Cmd::Smooth2Btn)), QStringLiteral("Smoothing 2"));
    SetText(TextKey::CurveHint, "Curve");
    EXPECT_EQ(ButtonHint(*FindButton(Cmd::CurveBtn)), QStringLiteral("Curve"));
}

TEST(MenuModel, ShortcutTextsSwapTheModifierWords)
{
    SetText(TextKey::Shift, "Umschalt");
    SetText(TextKey::Ctrl, "Strg");
    EXPECT_EQ(ToShownShortCut(QStringLiteral("Shift+F5")), QStringLiteral("Umschalt+F5"));
    EXPECT_EQ(ToShownShortCut(QStringLiteral("Ctrl+Q")), QStringLiteral("Strg+Q"));
    EXPECT_EQ(ToShownShortCut(QStringLiteral("F9")), QStringLiteral("F9"));
    EXPECT_EQ(ToStoredShortCut(QStringLiteral("Umschalt+F5")), QStringLiteral("Shift+F5"));
    EXPECT_EQ(ToStoredShortCut(QStringLiteral("Strg+7")), QStringLiteral("Ctrl+7"));
    EXPECT_EQ(ToStoredShortCut(QString()), QString());
}

TEST(MenuModel, EachConfigurableShortcutHasItsMenuItems)
{
    for (int i = 0; i < ShortCutCount; ++i) {
        const ShortCutTarget& t = ShortCutTargetOf(i);
        ASSERT_NE(FindMenuItem(t.item), nullptr) << ShortCutNames[size_t(i)];
    }
    EXPECT_EQ(ShortCutTargetOf(21).twin, Cmd::SymbolNormalPop);
    EXPECT_EQ(ShortCutTargetOf(29).item, Cmd::TemplateAcquire);
    EXPECT_EQ(ShortCutTargetOf(38).item, Cmd::None);
}
