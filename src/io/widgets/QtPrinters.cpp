#include "io/widgets/QtPrinters.h"
#include "io/widgets/PrinterPropsDlg.h"

#include "core/LangTexts.h"
#include "document/FileReplace.h"
#include "platform/widgets/PrinterDevice.h"
#include "render/GraphSys.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>
#include <cups/ppd.h>

#include <algorithm>
#include <cmath>

namespace zemo {

namespace {

// A PostScript queue's raw job, or the same text into a file. Nothing is made before the
// first bytes: a job whose pages were all skipped leaves no job and no file. The job's text
// goes over a connection of its own, so that a stopped job can be dropped before its document
// is whole: the scheduler then never has anything of it to print.
class RawPostScriptJob final : public PrintJob, public OutputSink {
public:
    RawPostScriptJob(QString queue, QString title, QString fileName, int copies)
        : queue_(std::move(queue)), title_(std::move(title)), fileName_(std::move(fileName)),
          copies_(copies)
    {
    }
    ~RawPostScriptJob() override { Abort(); }

    OutputSink* RawStream() override { return this; }
    Device* BeginPage() override { return nullptr; }
    bool EndPage() override { return !failed_; }

    void Write(QByteArrayView bytes) override
    {
        if (failed_ || bytes.isEmpty())
            return;
        if (!started_ && !Open())
            return;
        if (!fileName_.isEmpty()) {
            failed_ = !file_.Append({reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())});
        } else if (cupsWriteRequestData(http_, bytes.data(), size_t(bytes.size())) != HTTP_STATUS_CONTINUE) {
            failed_ = true;
        }
    }

    bool Finish() override
    {
        if (!started_)
            return !failed_;
        started_ = false;
        if (!fileName_.isEmpty())
            return !failed_ && file_.Commit();
        if (failed_) {
            Drop();
            return false;
        }
        const bool ok = cupsFinishDocument(http_, queue_.toUtf8().constData()) == IPP_STATUS_OK;
        Disconnect();
        return ok;
    }

    void Abort() override
    {
        if (!started_)
            return;
        started_ = false;
        if (!fileName_.isEmpty()) {
            file_.Abandon();
            return;
        }
        Drop();
    }

private:
    bool Open()
    {
        started_ = true;
        if (!fileName_.isEmpty()) {
            failed_ = !file_.Begin(fileName_);
            return !failed_;
        }
        const QByteArray queue = queue_.toUtf8(), title = title_.toUtf8();
        http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr);
        cups_option_t* options = nullptr;
        int n = 0;
        if (copies_ > 1)
            n = cupsAddOption("copies", QByteArray::number(copies_).constData(), n, &options);
        jobId_ = http_ ? cupsCreateJob(http_, queue.constData(), title.constData(), n, options) : 0;
        cupsFreeOptions(n, options);
        if (jobId_ <= 0
            || cupsStartDocument(http_, queue.constData(), jobId_, title.constData(), CUPS_FORMAT_POSTSCRIPT, 1)
                   != HTTP_STATUS_CONTINUE) {
            Drop();
            started_ = false;
            failed_ = true;
            return false;
        }
        return true;
    }

    // The unfinished document goes with its connection; then the job itself.
    void Drop()
    {
        Disconnect();
        if (jobId_ > 0)
            cupsCancelJob2(CUPS_HTTP_DEFAULT, queue_.toUtf8().constData(), jobId_, 1);
        jobId_ = 0;
    }

    void Disconnect()
    {
        if (http_)
            httpClose(http_);
        http_ = nullptr;
    }

    QString queue_;
    QString title_;
    QString fileName_;
    int copies_;
    bool started_ = false;
    bool failed_ = false;
    int jobId_ = 0;
    http_t* http_ = nullptr;
    TReplacingFile file_;
};

// The painting road: QPrinter, whose job begins with its painter at the first page. A file
// target gets Qt's PDF output, written beside it and put in its place once whole. The sheet
// is painted whole, from its corner: the page's margins are ours, kept to the printable area.
class QtPrintJob final : public PrintJob {
public:
    QtPrintJob(std::unique_ptr<QPrinter> printer, QString fileName, const QtPrinters::PageSetup& page)
        : printer_(std::move(printer)), target_(std::move(fileName))
    {
        if (!target_.isEmpty()) {
            QTemporaryFile temp(QFileInfo(target_).absolutePath() + QStringLiteral("/.zemo-print-XXXXXX"));
            if (temp.open()) {
                temp_ = temp.fileName();
                temp.setAutoRemove(false);
            }
            printer_->setOutputFormat(QPrinter::PdfFormat);
            printer_->setOutputFileName(temp_);
        }
        printer_->setPageSize(page.Paper);
        printer_->setPageOrientation(page.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        printer_->setFullPage(true);
        area_ = PrintableDots(page, printer_->resolution());
    }
    ~QtPrintJob() override { Abort(); }

    Device* BeginPage() override
    {
        if (!target_.isEmpty() && temp_.isEmpty())
            return nullptr;
        if (!device_) {
            device_ = std::make_unique<PrinterDevice>(*printer_, area_);
            if (!device_->isActive()) {
                device_.reset();
                return nullptr;
            }
            return device_.get();
        }
        return device_->newPage() ? device_.get() : nullptr;
    }

    bool EndPage() override { return device_ != nullptr; }

    bool Finish() override
    {
        if (!device_) {
            RemoveTemp();
            return true;
        }
        bool ok = device_->finish();
        device_.reset();
        if (!target_.isEmpty()) {
            ok = ok && Replace();
            RemoveTemp();
        }
        return ok;
    }

    void Abort() override
    {
        if (device_) {
            printer_->abort();
            device_->finish();
            device_.reset();
        }
        RemoveTemp();
    }

private:
    bool Replace()
    {
        QFile in(temp_);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        TReplacingFile out;
        if (!out.Begin(target_))
            return false;
        if (!out.AppendFrom(in.handle(), in.size()))
            return false;
        return out.Commit();
    }

    void RemoveTemp()
    {
        if (!temp_.isEmpty())
            QFile::remove(temp_);
        temp_.clear();
    }

    std::unique_ptr<QPrinter> printer_;
    QString target_;
    QString temp_;
    QRect area_;
    std::unique_ptr<PrinterDevice> device_;
};

} // namespace

namespace {

QSizeF SheetPoints(const QtPrinters::PageSetup& page)
{
    return QPageLayout(page.Paper, page.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait, {},
                       QPageLayout::Point)
        .fullRect(QPageLayout::Point)
        .size();
}

} // namespace

PrinterPage PageOf(const QtPrinters::PageSetup& page, int dpi)
{
    PrinterPage p;
    p.DpiX = p.DpiY = dpi;
    const QSizeF sheet = SheetPoints(page);
    const QMarginsF& m = page.Margins;
    constexpr double MmPerPoint = 25.4 / 72;
    p.WidthMm = int(std::floor((sheet.width() - m.left() - m.right()) * MmPerPoint + 1e-9));
    p.HeightMm = int(std::floor((sheet.height() - m.top() - m.bottom()) * MmPerPoint + 1e-9));
    p.PaperWidthPt = sheet.width();
    p.PaperHeightPt = sheet.height();
    p.PrintableLeftPt = m.left();
    p.PrintableTopPt = m.top();
    p.Landscape = page.Landscape;
    return p;
}

QRect PrintableDots(const QtPrinters::PageSetup& page, int dpi)
{
    const QSizeF sheet = SheetPoints(page);
    const double k = dpi / 72.0;
    const QMarginsF& m = page.Margins;
    const QPoint from(int(std::ceil(m.left() * k - 1e-6)), int(std::ceil(m.top() * k - 1e-6)));
    const QPoint to(int(std::floor((sheet.width() - m.right()) * k + 1e-6)),
                    int(std::floor((sheet.height() - m.bottom()) * k + 1e-6)));
    return QRect(from, QSize(std::max(0, to.x() - from.x()), std::max(0, to.y() - from.y())));
}

bool PpdNamesFilter(const QByteArray& ppd)
{
    for (const QByteArray& line : ppd.split('\n'))
        if (line.startsWith("*cupsFilter:") || line.startsWith("*cupsFilter2:"))
            return true;
    return false;
}

QtPrinters::QtPrinters() = default;

QtPrinters::QtPrinters(const QString& name, const QString& pdfFile) : loaded_(true)
{
    entries_.push_back({name, pdfFile, false});
}

QtPrinters::~QtPrinters() = default;

void QtPrinters::Load()
{
    if (loaded_)
        return;
    loaded_ = true;
    const QStringList names = QPrinterInfo::availablePrinterNames();
    const QString def = QPrinterInfo::defaultPrinterName();
    for (const QString& n : names) {
        if (n == def)
            default_ = int(entries_.size());
        entries_.push_back({n, {}, {}});
    }
    entries_.push_back({Text(TextKey::PdfFilePrinter), {}, false, true});
}

QStringList QtPrinters::Names()
{
    Load();
    QStringList out;
    for (const Entry& e : entries_)
        out << e.name;
    return out;
}

int QtPrinters::SystemDefault()
{
    Load();
    return default_;
}

void QtPrinters::Select(int index)
{
    if (index != keptIndex_) {
        kept_.reset();
        probe_.reset();
        keptIndex_ = index;
    }
}

std::unique_ptr<QPrinter> QtPrinters::MakePrinter(int index) const
{
    const Entry& e = entries_[size_t(index)];
    if (e.IsPdf()) {
        auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(e.pdfFile);
        return p;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(e.name);
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

QMarginsF QtPrinters::UprightMargins(int index, const QPageSize& paper)
{
    Load();
    if (index < 0 || index >= int(entries_.size()))
        return {};
    Select(index);
    // Asked, the printer made for a PDF file would answer with the default queue's area.
    if (entries_[size_t(index)].IsPdf())
        return {};
    if (!probe_)
        probe_ = MakePrinter(index);
    if (!probe_)
        return {};
    probe_->setPageOrientation(QPageLayout::Portrait);
    probe_->setPageSize(paper);
    QPageLayout layout = probe_->pageLayout();
    layout.setUnits(QPageLayout::Point);
    return layout.minimumMargins();
}

QtPrinters::PageSetup& QtPrinters::Kept(int index)
{
    Load();
    Select(index);
    if (!kept_) {
        PageSetup page;
        if (!probe_ && index >= 0 && index < int(entries_.size()))
            probe_ = MakePrinter(index);
        if (probe_) {
            const QPageLayout layout = probe_->pageLayout();
            page.Paper = layout.pageSize();
            page.Landscape = layout.orientation() == QPageLayout::Landscape;
            page.Margins = PageMargins(UprightMargins(index, page.Paper), page.Landscape);
        }
        kept_ = page;
    }
    return *kept_;
}

QList<QPageSize> QtPrinters::Papers(int index)
{
    const Entry& e = entries_[size_t(index)];
    QList<QPageSize> papers;
    if (!e.IsPdf())
        papers = QPrinterInfo::printerInfo(e.name).supportedPageSizes();
    if (papers.isEmpty())
        for (QPageSize::PageSizeId id : {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B5, QPageSize::Letter,
                                         QPageSize::Legal, QPageSize::Tabloid})
            papers << QPageSize(id);
    const QPageSize kept = Kept(index).Paper;
    if (kept.isValid()
        && std::none_of(papers.begin(), papers.end(), [&](const QPageSize& p) { return p.isEquivalentTo(kept); }))
        papers.prepend(kept);
    return papers;
}

void QtPrinters::EditProperties(int index)
{
    Load();
    if (index < 0 || index >= int(entries_.size()))
        return;
    PageSetup& kept = Kept(index);
    if (!probe_)
        return;
    PageChoice c;
    c.Printer = entries_[size_t(index)].name;
    c.Papers = Papers(index);
    // The kept paper itself, else the first of its size (a borderless one is another paper).
    c.Paper = int(c.Papers.indexOf(kept.Paper));
    for (int i = 0; i < c.Papers.size() && c.Paper < 0; ++i)
        if (c.Papers[i].isEquivalentTo(kept.Paper))
            c.Paper = i;
    c.Paper = std::max(c.Paper, 0);
    c.Landscape = kept.Landscape;
    c.Margins = kept.Margins;
    c.Upright = [this, index](const QPageSize& paper) { return UprightMargins(index, paper); };
    if (ExecPrinterPropsDlg(QApplication::activeWindow(), c))
        kept = {c.Papers[c.Paper], c.Landscape, c.Margins};
}

bool QtPrinters::Check(int index, PrinterPage& page)
{
    Load();
    if (index < 0 || index >= int(entries_.size()))
        return false;
    const PageSetup& kept = Kept(index);
    if (!probe_ || !probe_->isValid() || !kept.Paper.isValid())
        return false;
    page = PageOf(kept, probe_->resolution());
    return true;
}

bool QtPrinters::SupportsCopies(int index)
{
    Load();
    if (index < 0 || index >= int(entries_.size()) || entries_[size_t(index)].IsPdf())
        return false;
    if (IsPostScript(index))
        return true;
    const std::unique_ptr<QPrinter> p = MakePrinter(index);
    return p && p->supportsMultipleCopies();
}

bool QtPrinters::AsksPdfFile(int index)
{
    Load();
    return index >= 0 && index < int(entries_.size()) && entries_[size_t(index)].ownPdf;
}

bool QtPrinters::IsPostScript(int index)
{
    Load();
    if (index < 0 || index >= int(entries_.size()))
        return false;
    Entry& e = entries_[size_t(index)];
    if (!e.postScript) {
        e.postScript = false;
        if (!e.IsPdf()) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
            const char* ppd = cupsGetPPD2(CUPS_HTTP_DEFAULT, e.name.toUtf8().constData());
#pragma GCC diagnostic pop
            if (ppd) {
                const QString path = QString::fromLocal8Bit(ppd);
                QFile f(path);
                if (f.open(QIODevice::ReadOnly))
                    e.postScript = !PpdNamesFilter(f.readAll());
                f.close();
                QFile::remove(path);
            }
        }
    }
    return *e.postScript;
}

std::unique_ptr<PrintJob> QtPrinters::Start(int index, const QString& title, const QString& fileName,
                                            int copies, bool passThrough, PrinterPage& page)
{
    PrinterPage checked;
    if (!Check(index, checked))
        return nullptr;
    page = checked;
    const Entry& e = entries_[size_t(index)];
    if (passThrough && IsPostScript(index))
        return std::make_unique<RawPostScriptJob>(e.name, title, fileName, copies);
    std::unique_ptr<QPrinter> p = MakePrinter(index);
    if (!p)
        return nullptr;
    p->setDocName(title);
    if (copies > 1)
        p->setCopyCount(copies);
    if (!e.pdfFile.isEmpty() && fileName.isEmpty())
        return std::make_unique<QtPrintJob>(std::move(p), e.pdfFile, *kept_);
    return std::make_unique<QtPrintJob>(std::move(p), fileName, *kept_);
}

} // namespace zemo
