#include "NoReplaceRename.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    // Where the file system refuses the flag: a second hard link never replaces anything, then the old
    // name goes.
    int linkThenUnlink (const char* from, const char* to)
    {
        if (::linkat (AT_FDCWD, from, AT_FDCWD, to, 0) != 0)
            return errno;

        if (::unlink (from) != 0)
        {
            const int error = errno;
            ::unlink (to);
            return error;
        }
        return 0;
    }

    // A folder can't be hard-linked, nor can anything on some file systems: look, then rename. Only
    // another process creating `to` in between could be replaced.
    int lookThenRename (const char* from, const char* to)
    {
        struct stat info;
        if (::lstat (to, &info) == 0)
            return EEXIST;
        if (errno != ENOENT)
            return errno;

        return ::rename (from, to) == 0 ? 0 : errno;
    }

#if defined(__linux__) && defined(RENAME_NOREPLACE)
    bool flagRefused (int error)
    {
        return error == EINVAL || error == ENOSYS || error == ENOTSUP;
    }
#endif
}

int NoReplaceRename::rename (const char* from, const char* to)
{
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2 (AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (! flagRefused (errno))
        return errno;
#endif

    const int linked = linkThenUnlink (from, to);
    if (linked == 0 || linked == EEXIST || linked == ENOENT)
        return linked;

    return lookThenRename (from, to);
}
