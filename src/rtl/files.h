#pragma once
// Included first so that DeleteFile and CopyFile below carry the same (macro) names wherever
// this header is used.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// File-system helpers over the wide Win32 functions, for UTF-8 paths. They report failure by
// their result, not by exceptions, because the program treats failed renames, deletions and
// copies as silent. Paths longer than MAX_PATH characters are not given the "\\?\" form: the
// platform refuses them, and the call fails as for a missing file.
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
// Writes the bytes to a file of that name only when there is none: the name is taken and the file
// made in one step, so nothing that appeared meanwhile is overwritten. Exists when a file of the
// name is there; Failed, with no file left behind, when it cannot be made or written.
enum class TNewFileResult { Written, Exists, Failed };
TNewFileResult WriteNewFile(const std::string& fileName, const std::string& bytes);
// One file for WriteNewFiles: its name and bytes in, the result out.
struct TNewFile {
    std::string FileName;
    std::string Bytes;
    TNewFileResult Result = TNewFileResult::Failed;
};
// Writes every file as WriteNewFile does, several at a time from worker threads that have ended
// when it returns: most of the time of a new file under Wine is the wait for Wine's server, and
// the waits of several files overlap. The order in which the files are made is not defined.
void WriteNewFiles(std::vector<TNewFile>& files);
bool CreateDir(const std::string& folder);
// Whether the platform refuses the path for its length: MAX_PATH UTF-16 units or more (MAX_PATH
// counts the terminating NUL). Wine takes longer ones; Windows only in the "\\?\" form, used
// nowhere here.
bool PathTooLong(const std::string& path);
// Whether two file names are one for the platform: equal but for letter case, in any script.
bool SameFileName(const std::string& a, const std::string& b);

// One entry of a folder listing: its name (UTF-8) and its FILE_ATTRIBUTE_* bits.
struct TFileEntry {
    std::string Name;
    DWORD Attributes = 0;
    bool IsDirectory() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};
// Lists the entries matching pattern ("C:\Folder\*.*") in the platform's order until fn returns
// false. A folder that cannot be listed gives none; the listing is closed also when fn throws.
void ForEachFileEntry(const std::string& pattern, const std::function<bool(const TFileEntry&)>& fn);

// The folder of the running program file, ending in a backslash. A test may override it.
std::string ProgramFolder();
std::string ProgramFileName();
void SetProgramFileNameOverride(const std::string& fileName);

} // namespace rtl
