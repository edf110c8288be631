// A map file of arbitrary bytes opened the way File > Open does it, optimised and repaired, saved
// as version 7 through File > Save as, and both results loaded again. None of it may crash,
// hang or read outside a file; the optimised working file and the saved file are maps that the
// test-only reader finds sound and that load again with the objects they were written with;
// a refused step says why; and no working copy or other file is left behind.
#include "FuzzScratch.h"

#include "support/TestMapReader.h"

#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Optimize.h"
#include "document/Ports.h"
#include "render/AreaSplt.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <string>

namespace {

using namespace zemo;

constexpr const char* Target = "optimize_save";

[[noreturn]] void Fail(const char* why) { fuzz::Fail(Target, why); }

std::vector<uint8_t> Bytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        Fail("a written file cannot be read");
    const QByteArray b = f.readAll();
    return std::vector<uint8_t>(b.begin(), b.end());
}

// Sound but for the `unread` symbol records the map held without reading them, which every
// writer passes on unchanged.
bool SoundBut(const test::ReadMap& m, size_t unread)
{
    size_t kept = 0;
    for (const std::string& p : m.problems)
        kept += p.rfind("symbol record at ", 0) == 0 ? 1 : 0;
    return kept == m.problems.size() && kept <= unread;
}

// The file is sound for the test-only reader and loads with `objects` live objects.
void CheckWritten(const QString& path, int objects, const char* what, size_t unread)
{
    const test::ReadMap m = test::ReadMapBytes(Bytes(path));
    if (!SoundBut(m, unread)) {
        std::fprintf(stderr, "%s:\n%s", what, m.Problems().c_str());
        Fail("a written file is not sound");
    }
    if (int(m.objects.size()) != objects)
        Fail("a written file holds other objects than were written");
    fuzz::LoadAgain(Target, path, "a written file does not load", [&](TZmd& again) {
        int held = 0;
        for (int n = 1; n <= again.HighestObject; ++n)
            held += again.Entry(n).Length != 0 && again.Entry(n).Symbol != 0 ? 1 : 0;
        if (held != objects)
            Fail("a written file loads with other objects");
        fuzz::ReadEverything();
    });
}

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        // The area splitter is the render library's; the wiring root is not part of the engine.
        DocumentPorts().SplitArea.Bind([](const Cord* p, int n, const AreaPieceFn& accept) {
            return SplitArea(p, n, accept);
        });
        return fuzz::SetUpMaps(Target, test::TestMapWriter::Sample(8));
    }();
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::MapScratch& scratch = Scratch();
    const QString input = scratch.dir + QStringLiteral("/input.zmd");
    const QString saved = scratch.dir + QStringLiteral("/saved.zmd");
    fuzz::WriteInput(Target, input, data, size);
    QFile::remove(saved);

    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    RecordingFileDialogs dialogs;
    if (!OpenMapByName(input)) {
        if (messages.Count() == 0)
            Fail("a refused open says nothing");
        fuzz::CheckAllClosed(Target);
        return 0;
    }
    TZmd* const z = Index.ActiveZmd;
    const size_t unread = z->UnreadSymbolRecords.size();
    if (const std::optional<OptimizeResult> r = OptimizeMap()) {
        if (Index.ActiveZmd != z || z->HighestObject != r->Written || r->NewSize != z->WorkFile.Size())
            Fail("the optimised map is not the one the report counts");
        const QString copy = scratch.copy;
        if (!ReplaceFileWithCopy(z->WorkFile, copy))
            Fail("cannot copy the working file");
        CheckWritten(copy, r->Written, "the optimised map", unread);
        QFile::remove(copy);
    } else if (messages.Count() == 0) {
        Fail("a failed optimise says nothing");
    }

    // File > Save as, the version-7 entry (a course-setting map has the current version there).
    const bool courseMap = z->CourseMap;
    int before = 0;
    for (int n = 1; n <= z->HighestObject; ++n)
        before += GetIndex(n) ? 1 : 0;
    messages.Clear();
    dialogs.QueueAnswer(true, saved, 2);
    // The dialog makes the file's folder current; the fuzzer's own paths are relative.
    const QString folder = QDir::currentPath();
    const bool savedOk = SaveMap(true);
    QDir::setCurrent(folder);
    if (savedOk) {
        if (!Opening.OpenDocuments.empty() && !courseMap)
            Fail("the map stays open after a save in an older version");
        const test::ReadMap m = test::ReadMapBytes(Bytes(saved));
        if (m.header.version != (courseMap ? 8 : 7))
            Fail("saved in another version");
        // Lines and areas in pieces: at least as many objects as before.
        if (!SoundBut(m, unread) || int(m.objects.size()) < before) {
            std::fprintf(stderr, "%s", m.Problems().c_str());
            Fail("the saved map is not sound");
        }
        CheckWritten(saved, int(m.objects.size()), "the saved map", unread);
    } else if (messages.Count() == 0) {
        Fail("a failed save says nothing");
    }
    if (Index.ActiveZmd)
        CloseDocument(Index.ActiveZmd);
    fuzz::CheckAllClosed(Target);
    // New files are written as hidden files beside their targets until they are whole.
    for (const QString& folder : {scratch.dir, StateFolder()})
        if (!QDir(folder).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden).isEmpty())
            Fail("a file was left beside its target");
    QFile::remove(input);
    QFile::remove(saved);
    return 0;
}
