// The Qt sides of the core services: the help viewer, the file dialogs, the template dialog
// form, and one call that puts every service of this folder in place at start-up.
#pragma once

#include "core/FileDialogs.h"
#include "core/Help.h"

#include <QDialog>
#include <QPointer>

class QTextBrowser;

namespace zemo {

// Help pages in a small browser window of our own (no external program needed). A context
// without a page shows the index; without any help it says so with FileNotFound.
class HelpViewer : public HelpService {
public:
    ~HelpViewer() override;
    void ShowTopic(int context) override;
    void ShowPage(const QString& page) override;
    void CloseWindow() override;
    // The window, once a topic was shown (tests).
    QWidget* Window() const;
    QString ShownFile() const { return shown_; }

private:
    void Show(const QString& path);

    QPointer<QWidget> window_;
    QTextBrowser* browser_ = nullptr;
    QString shown_;
};

class QtFileDialogs : public FileDialogService {
public:
    bool Run(FileDialogRequest& request) override;
};

// A plain dialog with OK, Cancel and Help; Help opens the form's help topic (a message
// box's context takes precedence).
class TDefaultDlg : public QDialog {
    Q_OBJECT
public:
    explicit TDefaultDlg(QWidget* parent = nullptr);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int c) { helpContext_ = c; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    int helpContext_ = 0;
};

// Installs the message boxes, the help viewer, the file dialogs, the busy cursor and the
// Esc filter for the running program.
void InstallCoreUiServices();

} // namespace zemo
