// A CUPS scheduler of the test's own: cupsd in the foreground with its configuration, spool,
// logs and temporary files in a temporary folder, listening only on a short socket path that
// becomes CUPS_SERVER. Queues print into files (FileDevice Yes). Stopped by its process id;
// the machine's CUPS is never touched.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

namespace zemo::test {

class TestCupsScheduler {
public:
    TestCupsScheduler();
    ~TestCupsScheduler();
    TestCupsScheduler(const TestCupsScheduler&) = delete;
    TestCupsScheduler& operator=(const TestCupsScheduler&) = delete;

    // Starts cupsd and points this process's CUPS clients at it. False (with Error()) when
    // cupsd or its socket did not come up within the bound.
    bool Start();
    const QString& Error() const { return error_; }
    QString Socket() const;
    // A queue printing into Output(name): made from a drv:/// model (-m) or a PPD file (-P).
    bool AddQueue(const QString& name, const QString& model, bool ppdFile);
    bool SetDefault(const QString& name);
    // The file a queue's jobs end in.
    QString Output(const QString& name) const;
    // The PPD the scheduler keeps for a queue.
    QString Ppd(const QString& name) const;
    // Waits until no job is pending or processing; false when the bound passed.
    bool WaitIdle(int milliseconds = 60000);
    QString ErrorLog() const;

private:
    bool Run(const QString& program, const QStringList& args, QString* out = nullptr);

    std::unique_ptr<QTemporaryDir> dir_;
    QProcess cupsd_;
    QString error_;
};

} // namespace zemo::test
