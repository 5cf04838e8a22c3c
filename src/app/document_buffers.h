#pragma once
#include <memory>
#include <string>
#include <vector>

// Buffers for the documents of the refresh. A document of a megabyte or more is converted and
// shown at every refresh; a buffer whose document is no longer shown by anyone comes back here
// and takes the next one in memory already in use (under Wine each fresh megabyte costs
// milliseconds of page faults). Used on one thread.
class TDocumentBuffers {
public:
    TDocumentBuffers();
    // An empty string, with the capacity of the largest returned buffer when there is one.
    std::string Take();
    void Give(std::string buffer);
    // The document, shared; its buffer is given back when the last holder lets it go (also
    // after this object is gone: then it is simply freed).
    std::shared_ptr<const std::string> Share(std::string document);

    // Returned buffers larger than this are freed rather than kept.
    static constexpr std::size_t kMaxKept = 4u << 20;

private:
    using TStore = std::vector<std::string>;
    std::shared_ptr<TStore> FStore;
};
