// The system's printers under PrintSys: the CUPS queues as Qt lists them, painted through
// QPrinter (PDF when printing to a file), and the queues that take PostScript as it is, whose
// jobs go through libcups as raw PostScript text. After the queues, always, our own printer
// into a PDF file the user names, so that a machine without a print server can print too.
#pragma once

#include "io/PrintSys.h"

#include <QPageSize>

#include <memory>
#include <optional>
#include <vector>

class QPrinter;

namespace zemo {

class QtPrinters final : public PrinterSystem {
public:
    // The CUPS queues, read once (one entry per queue), and the PDF file printer.
    QtPrinters();
    // One printer that paints into a PDF file (tests, and a place to print without a queue).
    QtPrinters(const QString& name, const QString& pdfFile);
    ~QtPrinters() override;

    QStringList Names() override;
    int SystemDefault() override;
    void Select(int index) override;
    void EditProperties(int index) override;
    bool Check(int index, PrinterPage& page) override;
    bool SupportsCopies(int index) override;
    bool AsksPdfFile(int index) override;
    std::unique_ptr<PrintJob> Start(int index, const QString& title, const QString& fileName,
                                    int copies, bool passThrough, PrinterPage& page) override;

    // The queue takes PostScript as it is: its PPD names no filter.
    bool IsPostScript(int index);

    // A printer's page as its Properties set it: the paper, which way the page lies on it,
    // and the page's margins in points (at least the printable area's).
    struct PageSetup {
        QPageSize Paper;
        bool Landscape = false;
        QMarginsF Margins;
    };
    // The page kept for the printer while it stays current (made when missing): its paper
    // and orientation as the system gives them, margins of its printable area.
    PageSetup& Kept(int index);
    // The margins of the printable area of this paper on the printer, the sheet upright (none
    // on a PDF file).
    QMarginsF UprightMargins(int index, const QPageSize& paper);

private:
    struct Entry {
        QString name;
        QString pdfFile;                  // a PDF file instead of a queue
        std::optional<bool> postScript;   // asked of the queue once
        bool ownPdf = false;              // the PDF file printer: a file named per job
        // A PDF file: no queue, no unprintable edge.
        bool IsPdf() const { return !pdfFile.isEmpty() || ownPdf; }
    };
    void Load();
    std::unique_ptr<QPrinter> MakePrinter(int index) const;

    // The papers the printer offers, the kept one among them.
    QList<QPageSize> Papers(int index);

    bool loaded_ = false;
    std::vector<Entry> entries_;
    int default_ = -1;
    int keptIndex_ = -1;
    std::unique_ptr<QPrinter> probe_;      // the current printer, asked about its papers
    std::optional<PageSetup> kept_;
};

// A page in the terms of PrintSys, at the printer's resolution.
PrinterPage PageOf(const QtPrinters::PageSetup& page, int dpi);
// The printable area of the page on its sheet, in dots.
QRect PrintableDots(const QtPrinters::PageSetup& page, int dpi);
// Whether a PPD's text names a filter (a queue without one takes PostScript as it is).
bool PpdNamesFilter(const QByteArray& ppd);

} // namespace zemo
