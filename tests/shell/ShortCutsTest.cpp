// The configurable shortcuts: the keys offered, the editing behind the Shortcuts dialog with
// its conflict check on whole stored texts, and the dialog in the running program, after which
// every key it accepts fires its command.
#include "ShellFixture.h"

#include "core/LangTexts.h"
#include "shell/ShortCuts.h"
#include "shell/widgets/ShortCutDlg.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString& text = QString(), bool autorep = false,
                                    ushort count = 1);

using namespace zemo;

namespace {

TEST(ShortCutChoices, SixtyOneKeysInTheirOrder)
{
    const struct {
        int choice;
        const char* text;
        QKeySequence key;
    } rows[] = {
        {0, "", {}},
        {1, "F2", QKeySequence(Qt::Key_F2)},
        {11, "F12", QKeySequence(Qt::Key_F12)},
        {12, "Shift+F2", QKeySequence(Qt::SHIFT | Qt::Key_F2)},
        {33, "Ctrl+F12", QKeySequence(Qt::CTRL | Qt::Key_F12)},
        {34, "Ctrl+0", QKeySequence(Qt::CTRL | Qt::Key_0)},
        {43, "Ctrl+9", QKeySequence(Qt::CTRL | Qt::Key_9)},
        {44, "Ctrl+A", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {46, "Ctrl+D", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {60, "Ctrl+Y", QKeySequence(Qt::CTRL | Qt::Key_Y)},
        {61, "", {}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ShortCutChoiceText(r.choice), QLatin1String(r.text)) << r.choice;
        EXPECT_EQ(ShortCutChoiceKey(r.choice), r.key) << r.choice;
        if (r.choice < ShortCutChoiceCount)
            EXPECT_EQ(ShortCutChoiceOf(QLatin1String(r.text)), r.choice) << r.text;
    }
    for (const char* fixed : {"Ctrl+C", "Ctrl+N", "Ctrl+Z", "Alt+F4", "F1", "Shift+F1"})
        EXPECT_EQ(ShortCutChoiceOf(QLatin1String(fixed)), -1) << fixed << " is not offered";
}

class ShortCutEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto [k, v] : {std::pair{TextKey::Shift, "Umschalt"}, {TextKey::Ctrl, "Strg"},
                            {TextKey::NoneShortcut, "(keine)"}, {TextKey::Edit, "&Bearbeiten"},
                            {TextKey::EditJoin, "&Verbinden"}})
            SetText(k, v);
        ConfigRecord standard;
        DefaultShortCuts(standard);
        texts = standard.ShortCutTexts;
    }
    RecordingMessages messages;
    ShortCutTexts texts;
};

TEST_F(ShortCutEditing, KeysAreRefusedOnWholeStoredTextsAndShownInTheLanguage)
{
    const QKeySequence ctrlY(Qt::CTRL | Qt::Key_Y);
    ShortCutEditor e(texts, [&](const QKeySequence& k) { return k == ctrlY; });
    EXPECT_EQ(ShortCutCommandText(0), QStringLiteral("Bearbeiten - Verbinden"));
    EXPECT_EQ(e.Shown(13), QStringLiteral("Umschalt+F5"));
    EXPECT_EQ(e.Select(13), ShortCutChoiceOf(QStringLiteral("Shift+F5")));
    EXPECT_EQ(e.Select(0), 0) << "none";
    const int F5 = ShortCutChoiceOf(QStringLiteral("F5"));
    const int F3 = ShortCutChoiceOf(QStringLiteral("F3"));
    const int shiftF2 = ShortCutChoiceOf(QStringLiteral("Shift+F2"));
    const int shiftF4 = ShortCutChoiceOf(QStringLiteral("Shift+F4"));
    const struct {
        const char* name;
        int command;
        int choice;
        ShortCutEditor::Outcome outcome;
        const char* stored; // the command's text afterwards
        const char* message; // ShortcutExists' parameter, "" for none
    } steps[] = {
        {"F5 held by View redraw", 0, F5, ShortCutEditor::Outcome::Refused, "", "F5"},
        {"a free key", 0, F3, ShortCutEditor::Outcome::Changed, "F3", ""},
        {"the same key again", 0, F3, ShortCutEditor::Outcome::Refused, "F3", "F3"},
        // Cut to 10 shown characters every Umschalt+F key would read "Umschalt+F".
        {"another Shift key beside Shift+F5..F12", 0, shiftF2, ShortCutEditor::Outcome::Changed, "Shift+F2", ""},
        {"and one more", 1, shiftF4, ShortCutEditor::Outcome::Changed, "Shift+F4", ""},
        {"Ctrl+Y is Edit > Redo's", 2, ShortCutChoiceOf(QStringLiteral("Ctrl+Y")), ShortCutEditor::Outcome::Refused, "", "Strg+Y"},
        {"none clears", 0, 0, ShortCutEditor::Outcome::Changed, "", ""},
        {"none never conflicts", 0, 0, ShortCutEditor::Outcome::Changed, "", ""},
    };
    for (const auto& s : steps) {
        messages.Clear();
        e.Select(s.command);
        EXPECT_EQ(e.Choose(s.choice), s.outcome) << s.name;
        EXPECT_EQ(texts[size_t(s.command)], QLatin1String(s.stored)) << s.name;
        if (*s.message) {
            ASSERT_EQ(messages.Count(), 1) << s.name;
            EXPECT_EQ(messages.Last().key, TextKey::ShortcutExists) << s.name;
            EXPECT_EQ(messages.Last().params, QLatin1String(s.message)) << s.name;
        } else {
            EXPECT_EQ(messages.Count(), 0) << s.name;
        }
    }
    EXPECT_EQ(texts[8], QStringLiteral("F5")) << "View redraw keeps its key";
}

TEST_F(ShortCutEditing, StandardAndAllStandard)
{
    ShortCutEditor e(texts, {});
    EXPECT_EQ(e.Choose(1), ShortCutEditor::Outcome::NothingSelected);
    EXPECT_EQ(e.Standard(), ShortCutEditor::Outcome::NothingSelected);
    e.Select(8); // View redraw, F5
    EXPECT_EQ(e.Choose(0), ShortCutEditor::Outcome::Changed);
    EXPECT_EQ(e.Standard(), ShortCutEditor::Outcome::Changed);
    EXPECT_EQ(texts[8], QStringLiteral("F5"));
    EXPECT_EQ(e.Standard(), ShortCutEditor::Outcome::Refused) << "its own key: already used";
    e.Select(0);
    e.Choose(ShortCutChoiceOf(QStringLiteral("Ctrl+Q")));
    e.Select(9); // View move, F6
    e.Choose(ShortCutChoiceOf(QStringLiteral("Ctrl+R")));
    e.Select(0);
    EXPECT_EQ(e.Standard(), ShortCutEditor::Outcome::Changed) << "no standard: none";
    EXPECT_TRUE(texts[0].isEmpty());
    e.Select(3);
    e.Choose(ShortCutChoiceOf(QStringLiteral("F6")));
    e.AllStandard();
    ConfigRecord standard;
    DefaultShortCuts(standard);
    EXPECT_EQ(texts, standard.ShortCutTexts);
}

// ---- The dialog in the running program ----

class ShortCutDialog : public test::ShellTest {
protected:
    // Options > Shortcuts with work done in the dialog, then Close.
    void InDialog(const std::function<void(TShortCutDlg&)>& work)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = dynamic_cast<TShortCutDlg*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            ran = true;
            work(*dlg);
            dlg->findChild<QPushButton*>(QStringLiteral("CloseBtn"))->click();
        });
        Choose(Cmd::OptionsShortCuts);
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
        EXPECT_TRUE(ran);
    }
    static void SelectCommand(TShortCutDlg& d, int index)
    {
        QTreeWidget* list = d.Commands();
        const QRect r = list->visualItemRect(list->topLevelItem(index));
        list->scrollToItem(list->topLevelItem(index));
        Click(list->viewport(), list->visualItemRect(list->topLevelItem(index)).center());
        (void)r;
    }
    static void ChooseKey(TShortCutDlg& d, int choice)
    {
        TKeyChoiceList* keys = d.Keys();
        keys->scrollToItem(keys->item(choice));
        Click(keys->viewport(), keys->visualItemRect(keys->item(choice)).center());
    }
    static QString LineKey(TShortCutDlg& d, int index) { return d.Commands()->topLevelItem(index)->text(1); }
};

TEST_F(ShortCutDialog, ChoosesKeysAndRefusesThoseInUse)
{
    SetText(TextKey::Shift, "Umschalt");
    EXPECT_TRUE(Enabled(Cmd::OptionsShortCuts));
    InDialog([&](TShortCutDlg& d) {
        EXPECT_EQ(d.Commands()->topLevelItemCount(), ShortCutCount);
        EXPECT_EQ(d.Keys()->count(), ShortCutChoiceCount);
        EXPECT_EQ(d.Keys()->item(0)->text(), Text(TextKey::NoneShortcut));
        EXPECT_EQ(LineKey(d, 13), QStringLiteral("Umschalt+F5"));
        SelectCommand(d, 13);
        EXPECT_EQ(d.Keys()->currentRow(), ShortCutChoiceOf(QStringLiteral("Shift+F5")));
        // F5 on Edit Join: refused, both unchanged.
        SelectCommand(d, 0);
        EXPECT_EQ(d.Keys()->currentRow(), 0);
        ChooseKey(d, ShortCutChoiceOf(QStringLiteral("F5")));
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::ShortcutExists);
        EXPECT_EQ(messages.Last().params, QStringLiteral("F5"));
        EXPECT_EQ(LineKey(d, 0), QString());
        EXPECT_EQ(LineKey(d, 8), QStringLiteral("F5"));
        EXPECT_EQ(d.Keys()->currentRow(), 0) << "the key list shows Edit Join's key again";
        // A free Shift key: shown in the language, stored in English.
        ChooseKey(d, ShortCutChoiceOf(QStringLiteral("Shift+F3")));
        EXPECT_EQ(LineKey(d, 0), QStringLiteral("Umschalt+F3"));
        EXPECT_EQ(ProgramConfig.ShortCutTexts[0], QStringLiteral("Shift+F3"));
        ChooseKey(d, ShortCutChoiceOf(QStringLiteral("Shift+F3")));
        EXPECT_EQ(messages.Count(), 2) << "the same key again";
        ChooseKey(d, ShortCutChoiceOf(QStringLiteral("Ctrl+Y")));
        EXPECT_EQ(messages.Count(), 3) << "Edit > Redo holds Ctrl+Y";
        ChooseKey(d, ShortCutChoiceOf(QStringLiteral("Ctrl+W")));
        EXPECT_EQ(messages.Count(), 4) << "a map window closes with Ctrl+W";
        EXPECT_EQ(ProgramConfig.ShortCutTexts[0], QStringLiteral("Shift+F3"));
        // Standard for View redraw after clearing it; then all standard.
        SelectCommand(d, 8);
        ChooseKey(d, 0);
        EXPECT_EQ(LineKey(d, 8), QString());
        d.findChild<QPushButton*>(QStringLiteral("StandardBtn"))->click();
        EXPECT_EQ(LineKey(d, 8), QStringLiteral("F5"));
        d.findChild<QPushButton*>(QStringLiteral("AllStandardBtn"))->click();
        EXPECT_EQ(LineKey(d, 0), QString());
        EXPECT_TRUE(ProgramConfig.ShortCutTexts[0].isEmpty());
        SelectCommand(d, 0);
        ChooseKey(d, ShortCutChoiceOf(QStringLiteral("Shift+F4")));
    });
    EXPECT_EQ(Frame().Action(Cmd::EditJoin)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F4))
        << "on the menu after Close";
}

TEST_F(ShortCutDialog, EveryAcceptedKeyFiresItsCommandAfterClose)
{
    ASSERT_TRUE(OpenSample());
    QWindow* window = Frame().windowHandle();
    ASSERT_NE(window, nullptr);
    const auto press = [&](const QKeySequence& key) {
        const QKeyCombination c = key[0];
        qt_handleKeyEvent(window, QEvent::KeyPress, c.key(), c.keyboardModifiers());
        qt_handleKeyEvent(window, QEvent::KeyRelease, c.key(), c.keyboardModifiers());
        Settle(3);
    };
    // View > Entire map, which has no key of its own.
    const int entire = 12;
    int fired = 0;
    QObject::connect(Frame().Action(Cmd::ViewEntire), &QAction::triggered, [&] { ++fired; });
    QStringList refused;
    for (int choice = 1; choice < ShortCutChoiceCount; ++choice) {
        const int before = messages.Count();
        InDialog([&](TShortCutDlg& d) {
            SelectCommand(d, entire);
            ChooseKey(d, choice);
        });
        if (messages.Count() != before) {
            EXPECT_NE(ProgramConfig.ShortCutTexts[entire], ShortCutChoiceText(choice));
            refused << ShortCutChoiceText(choice);
            continue;
        }
        ASSERT_EQ(ProgramConfig.ShortCutTexts[entire], ShortCutChoiceText(choice));
        Frame().activateWindow();
        Settle();
        const int was = fired;
        press(ShortCutChoiceKey(choice));
        EXPECT_EQ(fired, was + 1) << ShortCutChoiceText(choice).toStdString();
    }
    // Refused: the standard keys of other commands, Edit > Redo's Ctrl+Y and the keys that
    // close a map window.
    QStringList inUse{"F5", "F6", "F7", "F8", "F9", "F10", "Ctrl+Y"};
    for (int n = 5; n <= 12; ++n)
        inUse << QStringLiteral("Shift+F%1").arg(n);
    for (const QKeySequence& k : QKeySequence::keyBindings(QKeySequence::Close))
        if (ShortCutChoiceOf(k.toString(QKeySequence::PortableText)) > 0)
            inUse << k.toString(QKeySequence::PortableText);
    refused.sort();
    inUse.sort();
    EXPECT_EQ(refused, inUse);
    EXPECT_TRUE(refused.contains(QStringLiteral("Ctrl+W")) || refused.contains(QStringLiteral("Ctrl+F4")));

    // Symbol normal, protect and hide: the pop-up twin fires by the key in its menu.
    const Cmd twins[] = {Cmd::SymbolNormalPop, Cmd::SymbolProtectPop, Cmd::SymbolHidePop};
    for (int i = 0; i < 3; ++i) {
        const int choice = ShortCutChoiceOf(QStringLiteral("Ctrl+%1").arg(i + 1));
        InDialog([&](TShortCutDlg& d) {
            SelectCommand(d, 21 + i);
            ChooseKey(d, choice);
        });
        EXPECT_EQ(Frame().Action(twins[i])->shortcut(), ShortCutChoiceKey(choice));
        int twinFired = 0;
        auto c = QObject::connect(Frame().Action(twins[i]), &QAction::triggered, [&] { ++twinFired; });
        QMenu* pop = Frame().SymPopUp();
        Frame().UpdateCommandStates();
        pop->popup(Frame().mapToGlobal(QPoint(200, 200)));
        Settle();
        const QKeyCombination k = ShortCutChoiceKey(choice)[0];
        qt_handleKeyEvent(pop->windowHandle(), QEvent::KeyPress, k.key(), k.keyboardModifiers());
        Settle(3);
        EXPECT_EQ(twinFired, 1) << CmdName(twins[i]);
        pop->close();
        QObject::disconnect(c);
    }
}

} // namespace
