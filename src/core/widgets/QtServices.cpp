#include "core/widgets/QtServices.h"

#include "core/Messages.h"
#include "core/widgets/EscapeFilter.h"
#include "core/widgets/QtMessageBoxes.h"
#include "core/widgets/QtStatusBar.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace zemo {

// ---- HelpViewer ----

HelpViewer::~HelpViewer()
{
    if (CurrentHelpService() == this)
        SetHelpService(nullptr);
    // The window dies with the application when this outlives it.
    if (QCoreApplication::instance())
        delete window_.data();
}

QWidget* HelpViewer::Window() const { return window_.data(); }

void HelpViewer::CloseWindow()
{
    if (window_)
        window_->close();
}

void HelpViewer::ShowTopic(int context)
{
    const HelpTarget t = FindHelpPage(context);
    if (t.path.isEmpty()) {
        ErrorMsg(TextKey::FileNotFound, HelpFolder() + QString::fromLatin1(HelpIndexPage));
        return;
    }
    Show(t.path);
}

void HelpViewer::ShowPage(const QString& page)
{
    const QString path = HelpFolder() + page;
    if (!QFileInfo(path).isFile()) {
        ErrorMsg(TextKey::FileNotFound, path);
        return;
    }
    Show(path);
}

void HelpViewer::Show(const QString& path)
{
    if (!window_) {
        auto* w = new QWidget(nullptr, Qt::Window);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->setWindowTitle(QString::fromLatin1(MsgCaption));
        auto* l = new QVBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        browser_ = new QTextBrowser(w);
        browser_->setOpenLinks(true);
        browser_->setOpenExternalLinks(false);
        l->addWidget(browser_);
        w->resize(560, 480);
        window_ = w;
    }
    shown_ = path;
    browser_->setSource(QUrl::fromLocalFile(path));
    // A modal box that asked for help blocks every other window: the help window joins it,
    // or it could not be read or closed before the box is answered.
    window_->winId();
    if (QWindow* handle = window_->windowHandle()) {
        QWidget* modal = QApplication::activeModalWidget();
        handle->setTransientParent(modal && modal != window_ ? modal->windowHandle() : nullptr);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

// ---- QtFileDialogs ----

bool QtFileDialogs::Run(FileDialogRequest& r)
{
    QFileDialog d(QApplication::activeWindow(), r.title, r.initialFolder);
    if (r.kind == FileDialogRequest::Folder) {
        d.setFileMode(QFileDialog::Directory);
        d.setOption(QFileDialog::ShowDirsOnly);
    } else {
        d.setAcceptMode(r.kind == FileDialogRequest::Save ? QFileDialog::AcceptSave
                                                          : QFileDialog::AcceptOpen);
        d.setFileMode(r.kind == FileDialogRequest::Save ? QFileDialog::AnyFile
                                                        : QFileDialog::ExistingFile);
        const QStringList filters = DialogFilterToQt(r.filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
        if (!filters.isEmpty()) {
            d.setNameFilters(filters);
            d.selectNameFilter(filters.value(std::clamp<qsizetype>(r.filterIndex - 1, 0, filters.size() - 1)));
        }
        d.setDefaultSuffix(r.defaultExt);
        if (!r.fileName.isEmpty())
            d.selectFile(r.fileName);
    }
    const int context = r.helpContext;
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), &d);
    QObject::connect(f1, &QShortcut::activated, [context] { ShowHelpContext(context); });
    const bool ok = d.exec() == QDialog::Accepted;
    const QStringList chosen = d.selectedFiles();
    if (ok && !chosen.isEmpty())
        r.fileName = chosen.front();
    if (ok && r.kind != FileDialogRequest::Folder)
        r.filterIndex = std::max(1, int(d.nameFilters().indexOf(d.selectedNameFilter())) + 1);
    return ok;
}

// ---- TDefaultDlg ----

TDefaultDlg::TDefaultDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Default Dialog Box"));
    auto* box = new QDialogButtonBox(this);
    QPushButton* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = box->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("helpButton"));
    ok->setDefault(true);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(box, &QDialogButtonBox::helpRequested, this, [this] { ShowHelpContext(helpContext_); });
    auto* l = new QVBoxLayout(this);
    l->addStretch(1);
    l->addWidget(box);
    resize(320, 160);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TDefaultDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        ShowHelpContext(helpContext_);
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

// ---- start-up ----

void InstallCoreUiServices()
{
    static QtMessageService messages;
    static HelpViewer help;
    static QtFileDialogs dialogs;
    static QtBusyCursor cursor;
    SetMessageService(&messages);
    SetHelpService(&help);
    SetFileDialogService(&dialogs);
    SetBusyCursor(&cursor);
    EscapeFilter::Install();
}

} // namespace zemo
