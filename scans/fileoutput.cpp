#include "scans/fileoutput.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

template <typename File> FileOutput::Result writeAll(File& file, const char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 written = file.write(data + done, size - done);
        if (written <= 0)
            return FileOutput::WriteFailed;
        done += written;
    }
    return FileOutput::Written;
}

} // namespace

FileOutput::Result FileOutput::write(const QString& fileName, const char* data, qint64 size)
{
    const QFileInfo target(fileName);
    if (fileName.isEmpty() || target.isDir())
        return OpenFailed;
    if (target.exists() && !target.isFile()) {
        QFile device(fileName);
        if (!device.open(QIODevice::WriteOnly))
            return OpenFailed;
        if (writeAll(device, data, size) != Written || !device.flush())
            return WriteFailed;
        device.close();
        return device.error() == QFileDevice::NoError ? Written : WriteFailed;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return OpenFailed;
    if (writeAll(file, data, size) != Written) {
        file.cancelWriting();
        file.commit();
        return WriteFailed;
    }
    return file.commit() ? Written : WriteFailed;
}
