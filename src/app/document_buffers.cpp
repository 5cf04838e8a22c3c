#include "app/document_buffers.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxBuffers = 2;

void Keep(std::vector<std::string>& store, std::string&& buffer)
{
    if (store.size() < kMaxBuffers && buffer.capacity() <= TDocumentBuffers::kMaxKept) {
        buffer.clear();
        store.push_back(std::move(buffer));
    }
}

} // namespace

TDocumentBuffers::TDocumentBuffers() : FStore(std::make_shared<TStore>()) {}

std::string TDocumentBuffers::Take()
{
    if (FStore->empty())
        return std::string();
    // The largest: a large document in a buffer that has held a small one would grow it anew.
    auto largest =
        std::max_element(FStore->begin(), FStore->end(),
                         [](const std::string& a, const std::string& b) { return a.capacity() < b.capacity(); });
    std::string buffer = std::move(*largest);
    FStore->erase(largest);
    return buffer;
}

void TDocumentBuffers::Give(std::string buffer)
{
    Keep(*FStore, std::move(buffer));
}

std::shared_ptr<const std::string> TDocumentBuffers::Share(std::string document)
{
    std::weak_ptr<TStore> store = FStore;
    return std::shared_ptr<const std::string>(new std::string(std::move(document)), [store](std::string* s) {
        std::unique_ptr<std::string> owned(s);
        if (std::shared_ptr<TStore> kept = store.lock())
            Keep(*kept, std::move(*owned));
    });
}
