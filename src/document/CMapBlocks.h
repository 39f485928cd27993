#pragma once
// The numbered blocks of a CMap ("2 beginbfchar ... endbfchar"): a reader
// takes at most 100 entries a block, so longer lists are split.
#include <algorithm>
#include <string>
#include <vector>

namespace Document {

constexpr size_t MaxCMapBlockEntries = 100;

// Appends items in blocks named name; format appends one item's line.
template <typename Item, typename Format>
void WriteCMapBlocks(std::string& out, const std::vector<Item>& items, const char* name, Format format)
{
    for (size_t start = 0; start < items.size(); start += MaxCMapBlockEntries) {
        size_t end = std::min(items.size(), start + MaxCMapBlockEntries);
        out += std::to_string(end - start) + " begin" + name + "\n";
        for (size_t i = start; i < end; ++i) {
            format(items[i]);
        }
        out += std::string("end") + name + "\n";
    }
}

} // namespace Document
