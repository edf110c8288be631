// The system's printers under PrintSys: the CUPS queues as Qt lists them, painted through
// QPrinter (PDF when printing to a file), and the queues that take PostScript as it is, whose
// jobs go through libcups as raw PostScript text. After the queues, always, our own printer
// into a PDF file the user names, so that a machine without a print server can print too.
#pragma once

#include "io/PrintSys.h"

#include <functional>
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
    // The settings kept for the current printer (made when missing).
    QPrinter& Kept(int index);
    // The page set-up shown by EditProperties; Qt's page set-up dialog unless replaced.
    void SetPageSetup(std::function<void(QPrinter&)> setup) { pageSetup_ = std::move(setup); }

private:
    struct Entry {
        QString name;
        QString pdfFile;                  // a PDF file instead of a queue
        std::optional<bool> postScript;   // asked of the queue once
        bool ownPdf = false;              // the PDF file printer: a file named per job
    };
    void Load();
    std::unique_ptr<QPrinter> MakePrinter(int index) const;

    bool loaded_ = false;
    std::vector<Entry> entries_;
    int default_ = -1;
    int keptIndex_ = -1;
    std::unique_ptr<QPrinter> kept_;
    std::function<void(QPrinter&)> pageSetup_;
};

// Margins of the printer's printable area for its page and orientation, in the set-up that
// the Properties dialog shows and the job uses alike.
void UsePrintableArea(QPrinter& printer);
// A printer's page in the terms of PrintSys.
PrinterPage PageOf(const QPrinter& printer);
// Whether a PPD's text names a filter (a queue without one takes PostScript as it is).
bool PpdNamesFilter(const QByteArray& ppd);

} // namespace zemo
