#pragma once

// Supplies the file and line arguments of an exception at its throw site, for
// example: throw VxAppsException_Property("PropertyUnsupported", VX_THROW_SITE, message, name);
// The file is given relative to the source tree so that messages do not depend
// on where the library was built.
#define VX_THROW_SITE ::VxInternal::relativeSourcePath(__FILE__), __LINE__

namespace VxInternal
{

constexpr const char* relativeSourcePath(const char* path)
{
    const char* result = path;
    for (const char* p = path; *p != '\0'; ++p)
    {
        if (p[0] == 'S' && p[1] == 'h' && p[2] == 'a' && p[3] == 'r' && p[4] == 'e' && p[5] == 'd' &&
            p[6] == '/')
        {
            result = p;
        }
    }
    return result;
}

} // namespace VxInternal
