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

bool ReplaceFileWith(const std::string& fileName, const std::string& bytes)
{
    const std::string fresh = ExtractFilePath(fileName) + "." + ExtractFileName(fileName) + ".new";
    HANDLE h =
        CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool whole = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size() && FlushFileBuffers(h);
    CloseHandle(h);
    if (whole && MoveFileExA(fresh.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(fresh.c_str());
    return false;
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
