#include "app/backgroundjob.h"
#include "processing/workpool.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QtTest>

#include <atomic>
#include <memory>
#include <stdexcept>

// A window with a log and a dialog slot, as the main window has them.
struct JobWindow
{
    std::unique_ptr<QWidget> widget = std::make_unique<QWidget>();
    QPointer<QProgressDialog> progressDialog;
    QStringList log;
    QStringList failures;
    bool logAppendedOffGuiThread = false;
    bool runningDuringCompletion = true;
    int logLinesSeenAtCompletion = -1;

    BackgroundJob::Setup setup()
    {
        BackgroundJob::Setup setup;
        setup.window = widget.get();
        setup.dialogSlot = &progressDialog;
        setup.label = QStringLiteral("Procesando fotos...");
        setup.appendLog = [this](const QString &line) {
            logAppendedOffGuiThread |= QThread::currentThread() != qApp->thread();
            log << line;
        };
        setup.completion = [this](const QString &failure) {
            failures << failure;
            runningDuringCompletion = BackgroundJob::isRunningOn(widget.get());
            logLinesSeenAtCompletion = int(log.size());
        };
        return setup;
    }

    BackgroundJob *start(const BackgroundJob::Work &work)
    {
        QString error;
        BackgroundJob *job = BackgroundJob::start(setup(), work, error);
        if (!error.isEmpty())
            qWarning("job not started: %s", qPrintable(error));
        return job;
    }
};

class BackgroundJobTest : public QObject
{
    Q_OBJECT

private slots:
    void dialogIsBusyWindowModalAndStaysOpenUntilCompletion()
    {
        QSemaphore reported, release;
        JobWindow window;
        window.widget->show();
        const auto releaseOnFailure = qScopeGuard([&] { release.release(); });
        window.start([&](const LogCallback &, const ProgressCallback &progress) {
            progress(0, 3);
            progress(3, 3);
            reported.release();
            release.acquire();
        });
        QProgressDialog *dialog = window.progressDialog;
        QVERIFY(dialog);
        QCOMPARE(dialog->parentWidget(), window.widget.get());
        QCOMPARE(dialog->labelText(), QStringLiteral("Procesando fotos..."));
        QCOMPARE(dialog->findChild<QPushButton *>()->text(), QStringLiteral("Cancelar"));
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QVERIFY(!dialog->autoClose());
        QVERIFY(!dialog->autoReset());
        QVERIFY(dialog->isVisible());
        QVERIFY(BackgroundJob::isRunningOn(window.widget.get()));

        reported.acquire();
        QTRY_COMPARE(dialog->value(), 3);
        QCOMPARE(dialog->maximum(), 3);
        // All photos done is not the end of the job: the dialog stays.
        QVERIFY(dialog->isVisible());

        release.release();
        QTRY_COMPARE(window.failures.size(), 1);
        QCOMPARE(window.failures.first(), QString());
        QVERIFY(!window.progressDialog);
        QVERIFY(!window.runningDuringCompletion);
        QVERIFY(!BackgroundJob::isRunningOn(window.widget.get()));
        QTRY_VERIFY(window.widget->findChildren<BackgroundJob *>().isEmpty());
        QTRY_VERIFY(window.widget->findChildren<QProgressDialog *>().isEmpty());
    }

    void firstReportFixesTheRangeAndAnEmptyTotalKeepsItBusy_data()
    {
        QTest::addColumn<int>("firstTotal");
        QTest::addColumn<int>("maximum");
        QTest::newRow("photos") << 4 << 4;
        QTest::newRow("no photos") << 0 << 0;
    }

    void firstReportFixesTheRangeAndAnEmptyTotalKeepsItBusy()
    {
        QFETCH(int, firstTotal);
        QSemaphore reported, release;
        JobWindow window;
        const auto releaseOnFailure = qScopeGuard([&] { release.release(); });
        window.start([&](const LogCallback &, const ProgressCallback &progress) {
            progress(0, firstTotal);
            reported.release();
            release.acquire();
        });
        QPointer<QProgressDialog> dialog = window.progressDialog;
        reported.acquire();
        QCoreApplication::processEvents();
        QTEST(dialog->maximum(), "maximum");
        QCOMPARE(dialog->minimum(), 0);
        release.release();
        QTRY_COMPARE(window.failures.size(), 1);
    }

    void linesArriveOnTheGuiThreadInOrderBeforeCompletion()
    {
        JobWindow window;
        const int count = 500;
        window.start([count](const LogCallback &log, const ProgressCallback &progress) {
            for (int i = 0; i < count; ++i) {
                log(QString::number(i));
                progress(i + 1, count);
            }
        });
        QTRY_COMPARE(window.failures.size(), 1);
        QCOMPARE(window.logLinesSeenAtCompletion, count);
        QVERIFY(!window.logAppendedOffGuiThread);
        for (int i = 0; i < count; ++i)
            QCOMPARE(window.log.at(i), QString::number(i));
    }

    void exceptionEndsTheWorkAsFailureText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("failure");
        QTest::newRow("standard exception") << 0 << "disco lleno";
        QTest::newRow("other exception") << 1 << "error desconocido";
        QTest::newRow("standard exception without text") << 2 << "error desconocido";
    }

    void exceptionEndsTheWorkAsFailureText()
    {
        QFETCH(int, kind);
        JobWindow window;
        window.start([kind](const LogCallback &log, const ProgressCallback &) {
            log(QStringLiteral("antes"));
            if (kind == 0)
                throw std::runtime_error("disco lleno");
            if (kind == 1)
                throw 42;
            throw std::runtime_error("");
        });
        QTRY_COMPARE(window.failures.size(), 1);
        QTEST(window.failures.first(), "failure");
        QCOMPARE(window.log, QStringList {QStringLiteral("antes")});
        QVERIFY(!window.progressDialog);
    }

    void cancelledDialogStaysHiddenWhileReportsArrive()
    {
        QSemaphore cancelled, checked;
        const auto releaseOnFailure = qScopeGuard([&] {
            cancelled.release();
            checked.release();
        });
        JobWindow window;
        window.widget->show();
        window.start([&](const LogCallback &log, const ProgressCallback &progress) {
            progress(0, 5);
            cancelled.acquire();
            for (int done = 1; done <= 5; ++done)
                progress(done, 5);
            log(QStringLiteral("sigue"));
            checked.acquire();
        });
        QPointer<QProgressDialog> dialog = window.progressDialog;
        QTRY_COMPARE(dialog->maximum(), 5);
        // As in a batch that has run longer than the dialog's minimum duration.
        dialog->setMinimumDuration(0);
        QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        cancelled.release();
        QTRY_COMPARE(window.log, QStringList {QStringLiteral("sigue")});
        QVERIFY(!dialog->isVisible());
        checked.release();
        QTRY_COMPARE(window.failures.size(), 1);
    }

    // After "Cancelar" a second job may start; each dialog shows its own
    // job's progress and closes with its own job.
    void twoJobsKeepTheirOwnDialogs()
    {
        QSemaphore firstReported, firstGoOn, secondGoOn;
        const auto releaseOnFailure = qScopeGuard([&] {
            firstGoOn.release();
            secondGoOn.release();
        });
        JobWindow window;
        window.widget->show();
        window.start([&](const LogCallback &, const ProgressCallback &progress) {
            progress(0, 10);
            firstReported.release();
            firstGoOn.acquire();
            progress(5, 10);
        });
        QPointer<QProgressDialog> first = window.progressDialog;
        firstReported.acquire();
        QTRY_COMPARE(first->maximum(), 10);
        first->cancel();
        window.start([&](const LogCallback &, const ProgressCallback &progress) {
            progress(0, 3);
            secondGoOn.acquire();
        });
        QPointer<QProgressDialog> second = window.progressDialog;
        QVERIFY(second != first);

        firstGoOn.release();
        QTRY_COMPARE(window.failures.size(), 1);
        QVERIFY(!first);
        QCOMPARE(window.progressDialog, second);
        QVERIFY(second->isVisible());
        QTRY_COMPARE(second->maximum(), 3);
        QCOMPARE(second->value(), 0);

        secondGoOn.release();
        QTRY_COMPARE(window.failures.size(), 2);
        QVERIFY(!window.progressDialog);
        QTRY_VERIFY(!second);
    }

    // Work still queued when its window goes away never starts: it would only
    // report to a window that is gone. Going away does not wait for the queue.
    void workNotYetStartedIsDroppedWithItsWindow()
    {
        QThreadPool *pool = workPool();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        QSemaphore occupied, release;
        const auto releaseOnFailure = qScopeGuard([&] {
            release.release();
            pool->waitForDone();
            pool->setMaxThreadCount(threads);
        });
        pool->start([&] {
            occupied.release();
            release.acquire();
        });
        occupied.acquire();
        std::atomic<bool> ran {false};
        {
            JobWindow window;
            window.widget->show();
            window.start([&](const LogCallback &, const ProgressCallback &) { ran = true; });
            // The window still paints while the work pool is full.
            QVERIFY(QTest::qWaitForWindowExposed(window.widget.get()));
            window.widget->repaint();
        }
        release.release();
        pool->waitForDone();
        QVERIFY(!ran);
    }
};

QTEST_MAIN(BackgroundJobTest)
#include "backgroundjobtest.moc"
