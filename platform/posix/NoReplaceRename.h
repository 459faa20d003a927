// Renames an entry (a file, a link itself, a folder) only to a name that is free: whatever already has
// that name stays.
#pragma once

class NoReplaceRename
{
public:
    // 0 once `from` is named `to`; else the error number (EEXIST when `to` is taken).
    static int rename (const char* from, const char* to);
};
