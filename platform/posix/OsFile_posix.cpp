// POSIX implementation of platform/OsFile.h. Only POSIX calls here; buffering and text
// mode belong in platform/StdioFile.cpp.
//
// POSIX has no share modes, so they are built from two parts. Within this process a
// registry keyed by device and inode (so links count) refuses an exclusive open of a file
// open in any mode, and a shared open of a file open exclusively. Between processes
// flock() does the same: a shared read holds LOCK_SH, an exclusive open LOCK_EX, both
// asked for without blocking. Every check comes before the file is emptied.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#ifdef __linux__
#include <linux/magic.h>
#include <sys/vfs.h>
#endif
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "FileException.h"
#include "Utf8Text.h"
#include "OsFile.h"
#include "StdioFile.h"

namespace plat
{
namespace
{
struct FileKey
{
    dev_t dev;
    ino_t ino;
    bool operator<(const FileKey& o) const { return dev != o.dev ? dev < o.dev : ino < o.ino; }
};

struct ShareState
{
    int nShared = 0;
    int nExclusive = 0;
};

class ShareRegistry
{
public:
    bool Acquire(int fd, const FileKey& key, bool bExclusive)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ShareState& state = m_files[key];
        const bool bFree = bExclusive ? state.nShared == 0 && state.nExclusive == 0
                                      : state.nExclusive == 0;
        if (!bFree)
        {
            if (state.nShared == 0 && state.nExclusive == 0)
                m_files.erase(key);
            return false;
        }
        ++(bExclusive ? state.nExclusive : state.nShared);
        m_handles[fd] = {key, bExclusive};
        return true;
    }

    void Release(int fd)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_handles.find(fd);
        if (it == m_handles.end())
            return;
        const auto [key, bExclusive] = it->second;
        m_handles.erase(it);
        ShareState& state = m_files[key];
        --(bExclusive ? state.nExclusive : state.nShared);
        if (state.nShared == 0 && state.nExclusive == 0)
            m_files.erase(key);
    }

private:
    std::mutex m_mutex;
    std::map<FileKey, ShareState> m_files;
    std::map<int, std::pair<FileKey, bool>> m_handles;
};

ShareRegistry& Registry()
{
    static ShareRegistry s_registry;
    return s_registry;
}

// flock() refused for good reason (another holder) versus unsupported by the file system,
// where only the in-process registry can protect the file.
bool LockRefused(int fd, int operation, long& lOsError)
{
    while (flock(fd, operation | LOCK_NB) != 0)
    {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
        {
            lOsError = EWOULDBLOCK;
            return true;
        }
        return false; // ENOLCK, EOPNOTSUPP, EINVAL: no locks here
    }
    return false;
}

int OpenRetrying(const char* name, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(name, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}
} // namespace

bool OsOpenFile(const CString& strName, UINT nFlags, FileHandle& hFile, long& lOsError)
{
    const std::string name = AnsiToUtf8(strName.View());
    const bool bWrite = (nFlags & (CStdioFile::modeWrite | CStdioFile::modeReadWrite)) != 0;
    const bool bCreate = (nFlags & CStdioFile::modeCreate) != 0;
    const bool bTruncate = bCreate && !(nFlags & CStdioFile::modeNoTruncate);
    const bool bExclusive = (nFlags & 0x70) == CStdioFile::shareExclusive ||
                            (nFlags & 0x70) == CStdioFile::shareCompat;
    if (name.empty() || name.find('\0') != std::string::npos)
    {
        lOsError = ENOENT;
        return false;
    }

    // O_NONBLOCK keeps a FIFO from hanging the open; it is cleared again below.
    int flags = (bWrite ? (nFlags & CStdioFile::modeReadWrite ? O_RDWR : O_WRONLY) : O_RDONLY) |
                O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    // Never O_TRUNC: the file is emptied only after every share check has passed.
    int fd = OpenRetrying(name.c_str(), flags | (bCreate ? O_CREAT : 0), 0666);
    if (fd < 0)
    {
        lOsError = errno;
        return false;
    }
    auto fail = [&](long lError) {
        ::close(fd);
        lOsError = lError;
        return false;
    };

    struct stat st;
    if (fstat(fd, &st) != 0)
        return fail(errno);
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    const FileKey key{st.st_dev, st.st_ino};
    if (!Registry().Acquire(fd, key, bExclusive))
        return fail(EWOULDBLOCK); // as flock() says it
    long lLockError = 0;
    if (LockRefused(fd, bExclusive ? LOCK_EX : LOCK_SH, lLockError))
    {
        Registry().Release(fd);
        return fail(lLockError);
    }
    if (bTruncate && S_ISREG(st.st_mode) && st.st_size != 0 && ftruncate(fd, 0) != 0)
    {
        const long lError = errno;
        Registry().Release(fd);
        return fail(lError);
    }
    hFile = fd;
    return true;
}

long long OsReadFile(FileHandle hFile, void* p, size_t n, long& lOsError)
{
    for (;;)
    {
        const ssize_t got = ::read(static_cast<int>(hFile), p, n);
        if (got >= 0)
            return got;
        if (errno != EINTR)
        {
            lOsError = errno;
            return -1;
        }
    }
}

bool OsWritePieces(FileHandle hFile, const OsPiece* pieces, size_t nPieces, long& lOsError)
{
    // A call takes at most kMaxPieces pieces and may write fewer bytes than asked: the
    // next one starts where it stopped, within a piece or after it.
    constexpr size_t kMaxPieces = 64;
    static_assert(kMaxPieces <= IOV_MAX);
    size_t nDone = 0; // of the first piece
    for (;;)
    {
        while (nPieces && nDone == pieces->n)
        {
            ++pieces;
            --nPieces;
            nDone = 0;
        }
        if (!nPieces)
            return true;
        iovec vec[kMaxPieces];
        const size_t nVec = std::min(nPieces, kMaxPieces);
        vec[0] = {const_cast<char*>(pieces->p + nDone), pieces->n - nDone};
        for (size_t i = 1; i < nVec; ++i)
            vec[i] = {const_cast<char*>(pieces[i].p), pieces[i].n};
        const ssize_t put = ::writev(static_cast<int>(hFile), vec, static_cast<int>(nVec));
        if (put < 0)
        {
            if (errno == EINTR)
                continue;
            lOsError = errno;
            return false;
        }
        if (put == 0)
        {
            lOsError = ENOSPC;
            return false;
        }
        for (auto nLeft = static_cast<size_t>(put); nLeft;)
        {
            const size_t nTaken = std::min(nLeft, pieces->n - nDone);
            nDone += nTaken;
            nLeft -= nTaken;
            if (nDone == pieces->n)
            {
                ++pieces;
                --nPieces;
                nDone = 0;
            }
        }
    }
}

bool OsReservingSpaceHelps(FileHandle hFile)
{
#if defined(__linux__) && defined(FALLOC_FL_KEEP_SIZE)
    // A file system kept in memory has no blocks to find: there, room set aside is only
    // memory cleared ahead of the writes that fill it, which made them slower.
    struct statfs fs;
    return fstatfs(static_cast<int>(hFile), &fs) == 0 && fs.f_type != TMPFS_MAGIC &&
           fs.f_type != RAMFS_MAGIC;
#else
    (void)hFile;
    return false;
#endif
}

bool OsReserveSpace(FileHandle hFile, long long nFrom, long long nBytes)
{
#if defined(__linux__) && defined(FALLOC_FL_KEEP_SIZE)
    return fallocate(static_cast<int>(hFile), FALLOC_FL_KEEP_SIZE, nFrom, nBytes) == 0;
#else
    (void)hFile, (void)nFrom, (void)nBytes;
    return false;
#endif
}

void OsReleaseSpareSpace(FileHandle hFile)
{
    // Emptying a file to its own size frees the blocks past its end and loses nothing.
    // Should it fail, those blocks stay with the file until it is next emptied: its
    // text is whole either way.
    const int fd = static_cast<int>(hFile);
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        (void)ftruncate(fd, st.st_size);
}

bool OsCloseFile(FileHandle hFile, long& lOsError)
{
    const int fd = static_cast<int>(hFile);
    Registry().Release(fd);
    // close() releases the descriptor even when it reports an error; never retry it.
    if (::close(fd) != 0 && errno != EINTR)
    {
        lOsError = errno;
        return false;
    }
    return true;
}

CString OsErrorText(long lOsError)
{
    // POSIX has no share modes, so no text for a refusal by one either.
    if (lOsError == EWOULDBLOCK)
        return "The file is in use by another program or another open";
    return std::strerror(static_cast<int>(lOsError));
}

OsErrorKind OsErrorCause(long lOsError)
{
    switch (lOsError)
    {
    case EWOULDBLOCK:
        return OsErrorKind::sharingViolation;
    case ENOENT:
    case ENOTDIR:
        return OsErrorKind::notFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return OsErrorKind::accessDenied;
    case EISDIR:
        return OsErrorKind::isFolder;
    case ENOSPC:
    case EDQUOT:
        return OsErrorKind::noSpace;
    case EFBIG:
        return OsErrorKind::tooLarge;
    default:
        return OsErrorKind::other;
    }
}

bool OsFileExistsUtf8(const char* pszPath)
{
    struct stat st;
    return stat(pszPath, &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace plat
