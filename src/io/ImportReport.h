// What one import read and what it left out, said once at its end: the objects by type, the
// records or objects left out by reason, and whether the file ended inside a record.
#pragma once

#include "core/LangTexts.h"

#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace zemo {

struct ImportReport {
    // Objects read, by object type (1 point .. 5 rectangle).
    std::array<int, 6> Objects{};
    // Reasons in the order first met, each with the kind of record where it names one (a
    // drawing record's name) and its count.
    struct Left {
        TextKey why;
        QString kind;
        int n = 0;
    };
    std::vector<Left> LeftOut;
    static constexpr size_t MaxNamedLines = 16;
    // What came in simplified (a curve approximated, a transform left out), by what was done
    // and the kind of record, with its count.
    std::vector<Left> Simplified;
    // The file ends inside a record: what follows it is missing.
    bool Cut = false;
    // Where a reader knows it: the file's size, and the furthest byte that a record or block
    // the file points to reaches beyond it.
    int64_t EndsAt = 0;
    int64_t Reaches = 0;
    // The file is damaged at this line (counted from 1): what follows it was not read.
    int DamagedAtLine = 0;

    void Read(int objectType, int n = 1);
    void Skip(TextKey why, int n = 1, const QString& kind = {});
    void Simplify(TextKey what, int n = 1, const QString& kind = {});
    // The file of `size` bytes is cut short: something it points to reaches to `end`.
    void CutShort(int64_t size, int64_t end);
    int ReadCount() const;
    // Of every kind.
    int Skipped(TextKey why) const;
    int SkippedCount() const;
    // Nothing left out and nothing missing.
    bool Whole() const { return LeftOut.empty() && !Cut && DamagedAtLine == 0; }
};

// The report's text: the source's name, the objects read, what was simplified, what was left
// out and why.
QString ImportReportText(const ImportReport& r, const QString& source);
// Shown as information when the file came in whole and nothing simplified, else as a warning. A source without a
// name (a picture pasted) is reported only when something was left out.
void ShowImportReport(const ImportReport& r, const QString& source);

} // namespace zemo
