#include "rtl/files.h"

#include <windows.h>

#include "rtl/text.h"

namespace rtl {

static std::string& ProgramFileOverride()
{
    static std::string value;
    return value;
}

bool FileExists(const std::string& fileName)
{
    DWORD a = GetFileAttributesA(fileName.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& folder)
{
    DWORD a = GetFileAttributesA(folder.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RenameFile(const std::string& oldName, const std::string& newName)
{
    return MoveFileA(oldName.c_str(), newName.c_str()) != 0;
}

// <windows.h> makes DeleteFile and CopyFile macros for the A functions, so these definitions are
// named DeleteFileA and CopyFileA themselves: the platform's must be called by their global name,
// or the call would find this very function and recurse.
bool DeleteFile(const std::string& fileName)
{
    return ::DeleteFileA(fileName.c_str()) != 0;
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists)
{
    return ::CopyFileA(from.c_str(), to.c_str(), failIfExists) != 0;
}

std::string ProgramFileName()
{
    if (!ProgramFileOverride().empty())
        return ProgramFileOverride();
    char buffer[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, n);
}

std::string ProgramFolder()
{
    return ExtractFilePath(ProgramFileName());
}

void SetProgramFileNameOverride(const std::string& fileName)
{
    ProgramFileOverride() = fileName;
}

} // namespace rtl
