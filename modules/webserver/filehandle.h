#pragma once

#include <QString>

namespace webserver {

// A file opened for reading as a plain descriptor, as the HTTP engine sends files straight from
// one. Closes it unless release() handed it on.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    static FileHandle openForReading(const QString& path);

    bool isOpen() const { return m_descriptor >= 0; }
    int descriptor() const { return m_descriptor; }
    int release();
    // Size and modification time (milliseconds since the epoch) of the open file; false unless
    // it is a regular file.
    bool status(qint64* size, qint64* modifiedMs) const;

private:
    explicit FileHandle(int descriptor) : m_descriptor(descriptor) {}
    void close();

    int m_descriptor = -1;
};

} // namespace webserver
