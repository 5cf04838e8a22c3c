#pragma once
// Included first so that DeleteFile and CopyFile below carry the same (macro) names wherever
// this header is used.
#include <windows.h>

#include <string>

// File-system helpers over the ANSI Win32 functions. They report failure by their result, not
// by exceptions, because the program treats failed renames, deletions and copies as silent.
namespace rtl {

bool FileExists(const std::string& fileName); // an existing file, not a folder
bool DirectoryExists(const std::string& folder);
bool RenameFile(const std::string& oldName, const std::string& newName);
bool DeleteFile(const std::string& fileName);
bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);
// Writes the bytes to a new file beside fileName (named with a leading ".", which the feed folder
// never lists) and renames it over fileName: the old file stays whole until the new one is. False,
// with the old file as it was, when either step fails.
bool ReplaceFileWith(const std::string& fileName, const std::string& bytes);
// The folder of the running program file, ending in a backslash. A test may override it.
std::string ProgramFolder();
std::string ProgramFileName();
void SetProgramFileNameOverride(const std::string& fileName);

} // namespace rtl
