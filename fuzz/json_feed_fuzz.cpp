// The JSON Feed reader on any document, against nlohmann/json's own tree of the same document: a
// document is a feed exactly when it is well-formed JSON with a JSON Feed version, and the members
// the reader takes are those of the tree.
#include "app/json_feed.h"
#include "fuzz_check.h"
#include "rtl/utf8.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace {

std::string Member(const nlohmann::json& object, const char* name)
{
    const auto it = object.find(name);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string doc(reinterpret_cast<const char*>(data), size);
    const feed::TJsonFeed f = feed::ReadJsonFeed(doc, 5);
    const nlohmann::json tree = nlohmann::json::parse(doc, nullptr, false);
    const bool feedInTree = !tree.is_discarded() && tree.is_object() &&
                            Member(tree, "version").find("jsonfeed.org/version/") != std::string::npos;
    FuzzCheck(f.IsFeed == feedInTree, "is a feed", f.IsFeed ? "feed" : "no feed", feedInTree ? "feed" : "no feed");
    if (!f.IsFeed) {
        FuzzCheck(f.Items.empty() && f.Title.empty() && f.ItemCount == 0, "nothing of what is no feed");
        return 0;
    }
    // The tree keeps a repeated member's last value, the reader its first: compare only where
    // the document has each once.
    if (doc.find("\"title\"") == doc.rfind("\"title\""))
        FuzzCheck(f.Title == Member(tree, "title"), "title", f.Title, Member(tree, "title"));
    const auto items = tree.find("items");
    const bool array = items != tree.end() && items->is_array();
    FuzzCheck(f.ItemCount == (array ? items->size() : 0) || doc.find("\"items\"") != doc.rfind("\"items\""),
              "item count");
    feed::TBalloonNews balloon;
    feed::TParseResult r;
    FuzzCheck(feed::ParseIfJsonFeed(doc, 5, 20, balloon, "https://example.org/feed.json", r), "parsed");
    FuzzCheck(r.Headlines.size() <= 5, "MaxEntrys");
    // At most MaxChars characters and "...", a character being what the user sees as one.
    for (const feed::THeadline& h : r.Headlines)
        FuzzCheck(!h.Caption.empty() && rtl::CharacterCount(h.Caption) <= 23, "caption cut", h.Caption);
    return 0;
}
