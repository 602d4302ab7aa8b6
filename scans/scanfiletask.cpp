#include "scans/scanfiletask.h"

#include "scans/basescan.h"
#include "scans/csvcolumnoptions.h"
#include "scans/csvoptions.h"
#include "scans/defaultcsvcolumnoptions.h"
#include "scans/fileoutput.h"
#include "scans/fileprogress.h"
#include "scans/scanfilereader.h"
#include "scans/scanfilewriter.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <array>
#include <chrono>
#include <exception>
#include <mutex>

namespace {

// The longest a write holds a finished scan's mutex at a stretch, and how
// long it then stays away so that a thread waiting for the mutex gets it.
constexpr qint64 holdMilliseconds = 40;
constexpr auto awayTime = std::chrono::microseconds(500);

} // namespace

// The export's columns as they were when it was asked for: the options
// object belongs to the GUI thread and may change or go meanwhile.
class ScanFileTask::Columns : public CsvColumnOptions
{
public:
    explicit Columns(const CsvColumnOptions* columns)
    {
        for (int i = 0; i < csvOptionIndexCount; ++i)
            m_enabled[static_cast<size_t>(i)] =
                columns ? columns->isCsvOptionEnabled(i) : isCsvColumnOption(i);
    }

    bool isCsvOptionEnabled(int optionIndex) const override
    {
        return optionIndex >= 0 && optionIndex < csvOptionIndexCount &&
               m_enabled[static_cast<size_t>(optionIndex)];
    }

private:
    std::array<bool, csvOptionIndexCount> m_enabled{};
};

// The task's progress; while a write holds the mutex of a scan that has
// finished recording (nothing appends to it or trims it any more), it lets
// the mutex go between chunks once it has held it for a while.
class ScanFileTask::Progress : public FileProgress
{
public:
    // Work thread: the lock the write holds from now on (null: none).
    void holding(std::unique_lock<std::mutex>* lock, const BaseScan* scan)
    {
        m_lock = lock;
        m_scan = scan;
        m_held.start();
    }

protected:
    void between() override
    {
        if (!m_lock || !m_scan->isFinished() || m_held.elapsed() < holdMilliseconds)
            return;
        m_lock->unlock();
        std::this_thread::sleep_for(awayTime);
        m_lock->lock();
        m_held.start();
    }

private:
    std::unique_lock<std::mutex>* m_lock = nullptr;
    const BaseScan* m_scan = nullptr;
    QElapsedTimer m_held;
};

ScanFileTask::ScanFileTask(std::vector<File> files, const BaseScan* scan)
    : m_files(std::move(files))
    , m_scan(scan)
    , m_ownerThread(QThread::currentThread())
    , m_progress(std::make_unique<Progress>())
{
}

ScanFileTask::~ScanFileTask()
{
    if (isRead())
        cancel();
    wait();
}

std::unique_ptr<ScanFileTask> ScanFileTask::read(const QString& fileName)
{
    return std::unique_ptr<ScanFileTask>(new ScanFileTask({File{ReadDat, fileName}}, nullptr));
}

std::unique_ptr<ScanFileTask> ScanFileTask::write(const BaseScan& scan, std::vector<File> files,
                                                  const QString& software, const CsvColumnOptions* columns)
{
    Q_ASSERT(!files.empty());
    std::unique_ptr<ScanFileTask> task(new ScanFileTask(std::move(files), &scan));
    task->m_software = software;
    task->m_columns = std::make_unique<Columns>(columns);
    return task;
}

void ScanFileTask::start(QObject* context, std::function<void()> finished)
{
    m_thread = std::thread([this, context, finished = std::move(finished)] {
        work();
        QMetaObject::invokeMethod(context, finished, Qt::QueuedConnection);
    });
}

void ScanFileTask::run()
{
    work();
}

void ScanFileTask::cancel()
{
    m_progress->cancel();
}

void ScanFileTask::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool ScanFileTask::isCancelled() const
{
    return m_progress->isCancelled();
}

double ScanFileTask::fraction() const
{
    return m_progress->fraction();
}

ScanFileTask::Outcome ScanFileTask::outcome() const
{
    if (isRead() && isCancelled())
        return Cancelled;
    return m_outcome;
}

std::unique_ptr<BaseScan> ScanFileTask::takeScan()
{
    if (outcome() != Done)
        return nullptr;
    return std::move(m_readScan);
}

const ScanFileTask::File& ScanFileTask::file() const
{
    const int last = static_cast<int>(m_files.size()) - 1;
    return m_files[static_cast<size_t>(std::min(m_current.load(std::memory_order_relaxed), last))];
}

void ScanFileTask::work()
{
    if (isRead()) {
        readFile();
    } else {
        m_outcome = Done;
        for (const File& file : m_files) {
            const Outcome outcome = writeFile(file);
            if (outcome != Done) {
                m_outcome = outcome;
                break;
            }
            ++m_filesDone;
            if (m_filesDone < static_cast<int>(m_files.size()))
                m_current.fetch_add(1, std::memory_order_relaxed);
        }
    }
    m_finished.store(true, std::memory_order_release);
}

void ScanFileTask::readFile()
{
    try {
        std::unique_ptr<BaseScan> scan =
            ScanFileReader::readFile(m_files.front().name, m_progress.get(), &m_fileVersion);
        // A cancel that came as the last bytes were read still stands.
        if (isCancelled()) {
            m_outcome = Cancelled;
            return;
        }
        // Its events and its deletion belong to the owner from now on.
        scan->moveToThread(m_ownerThread);
        m_readScan = std::move(scan);
        m_outcome = Done;
    } catch (int code) {
        m_outcome = code == ScanFileReader::Cancelled ? Cancelled : Failed;
        m_readError = code;
    } catch (const std::exception&) {
        m_outcome = Failed;
        m_readError = 0;
    }
}

ScanFileTask::Outcome ScanFileTask::writeFile(const File& file)
{
    const FileOutput::Result result =
        FileOutput::write(file.name, [this, &file](QIODevice& device) { return fill(device, file); });
    if (result == FileOutput::Written)
        return Done;
    if (result == FileOutput::OpenFailed)
        return CannotOpen;
    return isCancelled() ? Cancelled : Failed;
}

bool ScanFileTask::fill(QIODevice& device, const File& file)
{
    std::unique_lock<std::mutex> lock(m_scan->mutex);
    // The progress forgets the lock however the write ends (it may throw).
    struct Holding {
        Progress& progress;
        ~Holding() { progress.holding(nullptr, nullptr); }
    } holding{*m_progress};
    m_progress->holding(&lock, m_scan);
    switch (file.kind) {
    case WriteDat:
        return ScanFileWriter::writeDat(device, *m_scan, m_software, m_progress.get());
    case WriteCsv:
        return ScanFileWriter::writeCsv(device, *m_scan, m_software, *m_columns, m_progress.get());
    case WriteInterval:
        return ScanFileWriter::writeInterval(device, *m_scan, m_software, file.minimum, file.maximum,
                                             *m_columns, m_progress.get());
    case ReadDat:
        break;
    }
    return false;
}
