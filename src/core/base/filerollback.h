#pragma once
// Undoes a write that did not finish, so that a failed write (a full disk, the file size limit)
// never leaves a file that looks complete: a file written anew is removed, an appended one is cut
// back to the size it had. Made before the file is opened; Keep() once the write is complete.
// What is not a regular file (a device, a FIFO) is never touched.
#include <cstdint>
#include <string>

namespace velmora {

class FileRollback {
public:
    enum class Mode { New, Append };
    FileRollback(std::string path, Mode mode);
    FileRollback(const FileRollback&) = delete;
    FileRollback& operator=(const FileRollback&) = delete;
    ~FileRollback(); // rolls back unless kept; never throws
    void Keep() { m_kept = true; }

private:
    enum class Undo { Nothing, Remove, CutBack };
    std::string m_path;
    Undo m_undo = Undo::Remove;
    std::uintmax_t m_size = 0;
    bool m_kept = false;
};

} // namespace velmora
