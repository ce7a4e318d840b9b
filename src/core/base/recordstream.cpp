#include "base/recordstream.h"

#include "base/ioerror.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velmora {

namespace {
constexpr std::size_t kPage = 4096;
constexpr std::size_t kChunk = 1 << 20;
} // namespace

RecordStream::RecordStream(const std::string& path, std::size_t recordSize) : m_path(path), m_recordSize(recordSize)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw IoError(path, std::string("cannot open: ") + std::strerror(errno));
    void* memory = nullptr;
    if (recordSize == 0 || recordSize > kPage || ::posix_memalign(&memory, kPage, kPage + kChunk) != 0) {
        ::close(m_fd);
        throw IoError(path, "cannot set up reading");
    }
    m_memory = static_cast<std::uint8_t*>(memory);
    m_begin = m_end = kPage;
}

RecordStream::~RecordStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
    std::free(m_memory);
}

bool RecordStream::Fill()
{
    // Carry the bytes of a split record to just before the chunk, then read the next chunk.
    const std::size_t carried = m_end - m_begin;
    std::memmove(m_memory + kPage - carried, m_memory + m_begin, carried);
    m_begin = kPage - carried;
    m_end = kPage;
    while (m_end < kPage + kChunk) {
        const ssize_t got = ::read(m_fd, m_memory + m_end, kPage + kChunk - m_end);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw IoError(m_path, std::string("read error: ") + std::strerror(errno));
        if (got == 0) {
            m_eof = true;
            break;
        }
        m_end += static_cast<std::size_t>(got);
    }
    return m_end - m_begin >= m_recordSize;
}

const std::uint8_t* RecordStream::Next()
{
    if (m_end - m_begin < m_recordSize && (m_eof || !Fill()))
        return nullptr;
    const std::uint8_t* record = m_memory + m_begin;
    m_begin += m_recordSize;
    return record;
}

} // namespace velmora
