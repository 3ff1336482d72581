#include "filehandle.h"

#include <QFile>

#include <utility>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace webserver {

FileHandle::~FileHandle() {
    close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_descriptor(other.release()) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        close();
        m_descriptor = other.release();
    }
    return *this;
}

FileHandle FileHandle::openForReading(const QString& path) {
#ifdef Q_OS_WIN
    return FileHandle(
        _wopen(reinterpret_cast<const wchar_t*>(path.utf16()), _O_RDONLY | _O_BINARY));
#else
    // Non-blocking, so a name swapped for a pipe meanwhile cannot stall the open.
    return FileHandle(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
#endif
}

int FileHandle::release() {
    return std::exchange(m_descriptor, -1);
}

bool FileHandle::status(qint64* size, qint64* modifiedMs) const {
    if (m_descriptor < 0)
        return false;
#ifdef Q_OS_WIN
    struct _stat64 info;
    if (_fstat64(m_descriptor, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG)
        return false;
    *modifiedMs = qint64(info.st_mtime) * 1000;
#else
    struct stat info;
    if (::fstat(m_descriptor, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
#ifdef Q_OS_LINUX
    *modifiedMs = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
#else
    *modifiedMs = qint64(info.st_mtime) * 1000;
#endif
#endif
    *size = qint64(info.st_size);
    return true;
}

void FileHandle::close() {
    if (m_descriptor < 0)
        return;
#ifdef Q_OS_WIN
    _close(m_descriptor);
#else
    ::close(m_descriptor);
#endif
    m_descriptor = -1;
}

} // namespace webserver
