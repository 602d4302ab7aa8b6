#include "app/filetaskqueue.h"

#include "scans/basescan.h"
#include "scans/scanfiletask.h"

#include <QFileInfo>
#include <QProgressDialog>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// Work shorter than this ends without a dialog flashing up.
constexpr int progressDelayMs = 300;
constexpr int progressIntervalMs = 100;
constexpr int progressSteps = 1000;

QString describe(const ScanFileTask::File& file)
{
    const QString name = QFileInfo(file.name).fileName();
    switch (file.kind) {
    case ScanFileTask::ReadDat:
        return QStringLiteral("Loading %1").arg(name);
    case ScanFileTask::WriteDat:
        return QStringLiteral("Saving %1").arg(name);
    case ScanFileTask::WriteCsv:
    case ScanFileTask::WriteInterval:
        break;
    }
    return QStringLiteral("Exporting %1").arg(name);
}

} // namespace

FileTaskQueue::FileTaskQueue(QWidget* window)
    : QObject(window)
    , m_window(window)
{
    m_progressTimer.setInterval(progressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &FileTaskQueue::showProgress);
}

FileTaskQueue::~FileTaskQueue()
{
    finish();
}

void FileTaskQueue::add(std::unique_ptr<ScanFileTask> task, Finished finished)
{
    if (m_finished)
        return;
    m_queued.push_back({std::move(task), std::move(finished)});
    startNext();
}

bool FileTaskQueue::isIdle() const
{
    return !m_running.task && m_queued.empty() && !m_ending;
}

bool FileTaskQueue::anyTask(const std::function<bool(const ScanFileTask&)>& holds) const
{
    if (m_running.task && holds(*m_running.task))
        return true;
    if (m_ending && holds(*m_ending))
        return true;
    return std::any_of(m_queued.begin(), m_queued.end(), [&](const Entry& e) { return holds(*e.task); });
}

bool FileTaskQueue::isReading(const QString& fileName) const
{
    return anyTask([&](const ScanFileTask& t) { return t.isRead() && t.file().name == fileName; });
}

bool FileTaskQueue::isWriting(const BaseScan* scan) const
{
    return anyTask([&](const ScanFileTask& t) { return t.scan() == scan; });
}

bool FileTaskQueue::isWriting() const
{
    return anyTask([](const ScanFileTask& t) { return !t.isRead(); });
}

void FileTaskQueue::dropReads()
{
    m_queued.erase(
        std::remove_if(m_queued.begin(), m_queued.end(), [](const Entry& e) { return e.task->isRead(); }),
        m_queued.end());
    if (m_running.task && m_running.task->isRead())
        m_running.task->cancel();
}

void FileTaskQueue::deleteWhenWritten(BaseScan* scan)
{
    if (isWriting(scan))
        m_scansToDelete.push_back(scan);
    else
        delete scan;
}

void FileTaskQueue::deleteWrittenScans()
{
    const auto written = std::stable_partition(m_scansToDelete.begin(), m_scansToDelete.end(),
                                               [this](BaseScan* scan) { return isWriting(scan); });
    std::for_each(written, m_scansToDelete.end(), [](BaseScan* scan) { delete scan; });
    m_scansToDelete.erase(written, m_scansToDelete.end());
}

void FileTaskQueue::startNext()
{
    if (m_finished || m_running.task || m_ending)
        return;
    if (m_queued.empty()) {
        endProgress();
        emit idle();
        return;
    }
    m_running = std::move(m_queued.front());
    m_queued.pop_front();
    if (!m_busySince.isValid())
        m_busySince.start();
    m_running.task->start(this, [this] { taskEnded(); });
    m_progressTimer.start();
    showProgress();
}

void FileTaskQueue::taskEnded()
{
    if (m_finished || !m_running.task)
        return;
    Entry ended = std::move(m_running);
    m_running = {};
    ended.task->wait();
    // The result may ask the user (message boxes run their own event loop):
    // the next task waits for it, so results come one after the other, and
    // the progress of the task that ended does not stand beside them. Its
    // scan counts as written until then, as the result may still use it.
    if (m_dialog)
        m_dialog->hide();
    m_ending = ended.task.get();
    if (ended.finished)
        ended.finished(*ended.task);
    m_ending = nullptr;
    ended.task.reset();
    deleteWrittenScans();
    startNext();
}

void FileTaskQueue::cancelRunning()
{
    if (m_running.task)
        m_running.task->cancel();
}

void FileTaskQueue::showProgress()
{
    if (!m_running.task || m_running.task->isCancelled())
        return;
    const ScanFileTask& task = *m_running.task;
    if (!m_dialog) {
        if (m_busySince.elapsed() < progressDelayMs)
            return;
        m_dialog = new QProgressDialog(m_window);
        m_dialog->setWindowTitle(m_window->windowTitle());
        m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
        m_dialog->setRange(0, progressSteps);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        // Cancel, Escape and the dialog's close button all stop the task.
        connect(m_dialog, &QProgressDialog::canceled, this, &FileTaskQueue::cancelRunning);
        connect(m_dialog, &QDialog::rejected, this, &FileTaskQueue::cancelRunning);
    }
    m_dialog->setLabelText(describe(task.file()));
    if (m_dialog->isHidden())
        m_dialog->show();
    m_dialog->setValue(static_cast<int>(std::lround(task.fraction() * progressSteps)));
}

void FileTaskQueue::endProgress()
{
    m_progressTimer.stop();
    m_busySince.invalidate();
    delete m_dialog;
    m_dialog = nullptr;
}

void FileTaskQueue::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    endProgress();
    if (m_running.task) {
        if (m_running.task->isRead())
            m_running.task->cancel();
        m_running.task->wait();
        m_running = {};
    }
    for (Entry& entry : m_queued)
        if (!entry.task->isRead())
            entry.task->run();
    m_queued.clear();
    for (BaseScan* scan : m_scansToDelete)
        delete scan;
    m_scansToDelete.clear();
}
