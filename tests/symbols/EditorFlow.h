// The symbol editors in the running program: a map of the test writer with a few colours,
// dialogs worked by their real widgets as they come up, one after another, and the working
// file read back at the record positions of its own symbol chain.
#pragma once

#include "../support/ProgramFixture.h"
#include "../support/MapSnapshot.h"
#include "EditorRecords.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "edit/widgets/MdiChild.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"
#include "shell/widgets/Panels.h"
#include "shell/toolbars/widgets/ToolbarButton97.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>

#include <deque>
#include <functional>

namespace zemo::test {

// Steps for the modal dialogs to come: each runs once on the next dialog of its type.
class DialogScript {
public:
    DialogScript()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }
    template <class D>
    void Then(std::function<void(D&)> steps)
    {
        steps_.push_back([steps](QWidget* w) {
            auto* d = dynamic_cast<D*>(w);
            if (!d)
                return false;
            steps(*d);
            return true;
        });
    }
    bool Done() const { return steps_.empty(); }

private:
    void Poll()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == last_ || steps_.empty() || !w->isVisible())
            return;
        if (steps_.front()(w)) {
            last_ = w;
            steps_.pop_front();
        }
    }
    QTimer timer_;
    QPointer<QWidget> last_;
    std::deque<std::function<bool(QWidget*)>> steps_;
};

class EditorFlow : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ProgramConfig.AutoSave = false;
    }
    void TearDown() override
    {
        // A dialog a failed step left open must not outlive the test.
        while (QWidget* dlg = QApplication::activeModalWidget())
            dlg->close();
        ProgramFixture::TearDown();
    }
    // Five colours (0 black .. 4) and the given symbols.
    static TestMapWriter MapWith(std::vector<TestSymbol> symbols, bool courseMap = false)
    {
        TestMapWriter w(8);
        w.colors = {TestColor::Cmyk(0, "Black", 0, 0, 0, 200), TestColor::Cmyk(1, "Blue", 200, 80, 0, 0),
                    TestColor::Cmyk(2, "Brown", 0, 112, 182, 36), TestColor::Cmyk(3, "Yellow", 0, 54, 158, 0),
                    TestColor::Cmyk(4, "Green", 152, 0, 182, 0), TestColor::Cmyk(5, "Purple", 70, 200, 0, 0)};
        if (courseMap)
            w.fileType = 3;
        w.symbols = std::move(symbols);
        return w;
    }
    bool Open(const TestMapWriter& w, const QString& name = QStringLiteral("editors.zmd"))
    {
        return OpenWritten(w, name);
    }
    static std::vector<uint8_t> WorkFile()
    {
        FlushMapFile();
        return WorkingFileBytes(*Index.ActiveZmd);
    }
    // The stored record of list position k: its bytes by the file's own chain.
    static std::vector<uint8_t> StoredRecord(int k, int32_t* pos = nullptr)
    {
        const std::vector<uint8_t> file = WorkFile();
        const int32_t at = SymbolRecordPos(file, k);
        if (pos)
            *pos = at;
        if (at <= 0 || size_t(at) + 2 > file.size())
            return {};
        const size_t size = size_t(GetI16(file, size_t(at)));
        return std::vector<uint8_t>(file.begin() + at, file.begin() + at + ptrdiff_t(size));
    }
    // The symbol at list position pos current, as a click in the box makes it.
    void MakeCurrent(int pos)
    {
        SetCurrentSymbolPos(pos);
        Frame().UpdateCommandStates();
    }
    // The command through its menu item; the script works the dialogs it opens.
    void RunCommand(Cmd c)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
        Trigger(c);
        Settle();
        EXPECT_TRUE(script.Done()) << CmdName(c) << ": a dialog did not come";
    }

    template <class W = QWidget>
    static W* Find(QWidget& d, const char* name)
    {
        auto* w = d.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void SetText(QWidget& d, const char* name, const QString& text)
    {
        if (auto* e = Find<QLineEdit>(d, name))
            e->setText(text);
    }
    static void Press(QWidget& d, const char* name)
    {
        if (auto* t = d.findChild<TToolbarButton97*>(QString::fromLatin1(name)))
            t->Click();
        else if (auto* b = Find<QAbstractButton>(d, name))
            b->click();
    }
    static void SetChecked(QWidget& d, const char* name, bool on)
    {
        if (auto* b = Find<QAbstractButton>(d, name))
            b->setChecked(on);
    }
    // A colour combo's entry of the colour number.
    static void ChooseColor(QWidget& d, const char* name, int color)
    {
        if (auto* c = Find<QComboBox>(d, name))
            c->setCurrentIndex(c->findData(color));
    }
    static void ChooseEntry(QWidget& d, const char* name, int entry)
    {
        if (auto* c = Find<QComboBox>(d, name))
            c->setCurrentIndex(entry);
    }
    MainFramePanels& Panels() { return *PanelsOf(Frame()); }
    MapView& View() { return ActiveChild()->View(); }

    DialogScript script;
};

} // namespace zemo::test
