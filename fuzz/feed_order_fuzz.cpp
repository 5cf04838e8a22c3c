// The order of the "Newsfeeds" submenu over generated feed and folder names (one a line; a line
// beginning with "/" is a folder, compared on three characters): every name lands where the
// ordering rule says and keeps its key within the key's length, and a second entry of the same
// name stands right before the first, whatever bytes the names hold.
#include "app/feed_order.h"
#include "fuzz_check.h"
#include "gui/menu_item.h"
#include "rtl/utf8.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    TMenuItem parent;
    int made = 0;
    for (std::size_t start = 0; start <= input.size() && made < 200;) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        std::string name = input.substr(start, end - start);
        start = end + 1;
        const bool folder = !name.empty() && name[0] == '/';
        if (folder)
            name.erase(0, 1);
        const std::size_t length = folder ? kFolderKeyLength : kFeedKeyLength;
        const std::string key = OrderKey(name, length);
        FuzzCheck(rtl::CharacterPrefix(key, length) == key.size(), "key within its length", key, name);

        const int position = OrderedPosition(parent, name, length);
        FuzzCheck(position >= 0 && position <= parent.Count(), "position within the level", name);
        auto* item = new TMenuItem();
        item->SetCaption(name);
        InsertOrdered(parent, item, length);
        ++made;
        FuzzCheck(parent.Count() == made && parent.Items(position) == item, "inserted where placed", name);
        // Among equal keys the later entry stands first: the same name again goes right here.
        FuzzCheck(OrderedPosition(parent, name, length) == position, "an equal key goes before", name);
    }
    return 0;
}
