#pragma once
// Reads a file of fixed-size records from start to end through a page-aligned buffer, in
// page-aligned chunks: the kernel then copies from the page cache at full speed (a buffer that is
// not page-aligned copies several times slower), and memory stays the same for any file size.
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora {

class RecordStream {
public:
    // Throws IoError when the file cannot be opened.
    RecordStream(const std::string& path, std::size_t recordSize);
    ~RecordStream();
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    // The next whole record, valid until the next call; nullptr at the end of the file (a partial
    // record at the end counts as the end). Throws IoError on a read error.
    const std::uint8_t* Next();

private:
    bool Fill();

    std::string m_path;
    int m_fd = -1;
    std::size_t m_recordSize;
    std::uint8_t* m_memory = nullptr; // page-aligned: one page for carried bytes, then the chunk
    std::size_t m_begin = 0;          // next unread byte
    std::size_t m_end = 0;            // end of valid bytes
    bool m_eof = false;
};

} // namespace velmora
