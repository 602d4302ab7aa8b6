#include "scans/fileoutput.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <new>
#include <stdexcept>

#include <unistd.h>

namespace {

bool filled(QIODevice& device, const FileOutput::Fill& fill)
{
    try {
        return fill(device);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

// A text smaller than Qt's write buffer only fills the buffer; the real write
// (and ENOSPC) happens later, and QSaveFile::commit() would rename a short
// temporary file over the target regardless. Push it out and ask the disk.
bool reachedDisk(QFileDevice& file)
{
    return file.flush() && file.error() == QFileDevice::NoError && ::fdatasync(file.handle()) == 0;
}

} // namespace

FileOutput::Result FileOutput::write(const QString& fileName, const Fill& fill)
{
    const QFileInfo target(fileName);
    if (fileName.isEmpty() || target.isDir())
        return OpenFailed;
    if (target.exists() && !target.isFile()) {
        QFile device(fileName);
        if (!device.open(QIODevice::WriteOnly))
            return OpenFailed;
        if (!filled(device, fill) || !device.flush())
            return WriteFailed;
        device.close();
        return device.error() == QFileDevice::NoError ? Written : WriteFailed;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return OpenFailed;
    if (!filled(file, fill) || !reachedDisk(file)) {
        // Cancelled, commit() removes the temporary file and keeps the old one.
        file.cancelWriting();
        file.commit();
        return WriteFailed;
    }
    return file.commit() ? Written : WriteFailed;
}

FileOutput::Result FileOutput::write(const QString& fileName, const char* data, qint64 size)
{
    return write(fileName, [data, size](QIODevice& device) {
        qint64 done = 0;
        while (done < size) {
            const qint64 written = device.write(data + done, size - done);
            if (written <= 0)
                return false;
            done += written;
        }
        return true;
    });
}
