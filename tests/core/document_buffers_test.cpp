#include "app/document_buffers.h"

#include <gtest/gtest.h>

namespace {

TEST(DocumentBuffers, ABufferComesBackWhenItsLastHolderLetsGo)
{
    TDocumentBuffers buffers;
    std::string document = buffers.Take();
    document.assign(100000, 'x');
    const char* memory = document.data();
    std::shared_ptr<const std::string> shown = buffers.Share(std::move(document));
    std::shared_ptr<const std::string> alsoShown = shown;
    EXPECT_EQ(shown->size(), 100000u);
    EXPECT_EQ(buffers.Take().capacity(), std::string().capacity()); // still shown: nothing to reuse
    shown.reset();
    alsoShown.reset();
    std::string next = buffers.Take();
    EXPECT_TRUE(next.empty());
    EXPECT_EQ(next.data(), memory);
}

TEST(DocumentBuffers, KeepsTwoBuffersOfBoundedSizeAndHandsOutTheLargestFirst)
{
    TDocumentBuffers buffers;
    for (std::size_t size : {20u, 10u, 30u})
        buffers.Give(std::string(size * 1000, 'a'));
    buffers.Give(std::string(TDocumentBuffers::kMaxKept + 1, 'b'));
    EXPECT_GE(buffers.Take().capacity(), 20000u);
    const std::size_t second = buffers.Take().capacity();
    EXPECT_GE(second, 10000u);
    EXPECT_LT(second, 20000u);
    EXPECT_EQ(buffers.Take().capacity(), std::string().capacity());
}

TEST(DocumentBuffers, ADocumentMayOutliveItsBuffers)
{
    std::shared_ptr<const std::string> shown;
    {
        TDocumentBuffers buffers;
        shown = buffers.Share(std::string(5000, 'd'));
    }
    EXPECT_EQ(*shown, std::string(5000, 'd'));
    shown.reset(); // freed, not given back to a store that is gone (the sanitizers watch)
}

} // namespace
