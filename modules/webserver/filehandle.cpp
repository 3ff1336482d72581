#include "filehandle.h"

#include <QFile>

#include <utility>

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
    return FileHandle(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
#endif
}

int FileHandle::release() {
    return std::exchange(m_descriptor, -1);
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
