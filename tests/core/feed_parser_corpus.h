#pragma once
// The optional corpus of real feed documents: beside the repository (../shared/corpus), or where
// the environment variable QV_CORPUS points. The tests over it skip when it is absent.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/utf8_document.h"
#include "rtl/string_list.h"

inline std::filesystem::path CorpusDir()
{
    const char* dir = std::getenv("QV_CORPUS");
    return dir && *dir ? std::filesystem::path(dir) : std::filesystem::path(QV_CORPUS_DIR);
}

inline bool HaveCorpus()
{
    return std::filesystem::is_directory(CorpusDir());
}

#define QV_SKIP_WITHOUT_CORPUS()                                                                                  \
    if (!HaveCorpus())                                                                                            \
    GTEST_SKIP() << "no feed corpus at " << CorpusDir().string() << " (set QV_CORPUS to use one)"

inline std::vector<std::filesystem::path> CorpusFiles()
{
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(CorpusDir()))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A corpus document as the program sees a download without a charset: converted to UTF-8 by its
// own declaration or its bytes, in CR LF lines.
inline std::string CorpusDocument(const std::filesystem::path& path)
{
    TDocumentBuffers buffers;
    return DisplayDocument(ReadFileBytes(path.string()), std::string(), buffers);
}
