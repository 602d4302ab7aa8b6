#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>

class QIODevice;

// Writes a whole file so that a failed write never destroys the previous
// good file of that name: the text goes to a temporary file in the same
// folder that replaces the old one only once all of it reached the disk.
// Targets that are not regular files (devices) are written directly. Any
// thread.
class FileOutput
{
public:
    enum Result { Written, OpenFailed, WriteFailed };

    // Fills the file through `fill`, which writes to the device it is given
    // and returns false when it could not. An allocation failure inside it
    // is a failed write, as is anything left unwritten.
    using Fill = std::function<bool(QIODevice&)>;
    static Result write(const QString& fileName, const Fill& fill);

    static Result write(const QString& fileName, const char* data, qint64 size);
    static Result write(const QString& fileName, const std::string& text)
    {
        return write(fileName, text.data(), static_cast<qint64>(text.size()));
    }
    static Result write(const QString& fileName, const QByteArray& text)
    {
        return write(fileName, text.constData(), text.size());
    }
};
