#ifndef NAMESORT_H
#define NAMESORT_H

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

// Sorting many names in byte order, as the position files' images are merged.
//
// Each name is sorted by the eight bytes after the prefix all names share,
// the first the most significant and zeros past the name's end, so that most
// comparisons are of two integers held side by side rather than of names
// spread over memory. Names hold no zero byte, so a name that ends first
// still sorts first.

namespace namesort {

struct Entry
{
    uint64_t head;
    size_t index;
};

// How many leading bytes every name shares with the others.
template <typename Names>
size_t sharedPrefix(const Names &names)
{
    if (names.size() == 0)
        return 0;
    const std::string_view first = names.name(0);
    size_t shared = first.size();
    for (size_t i = 1; i < names.size() && shared > 0; ++i) {
        const std::string_view name = names.name(i);
        const size_t limit = std::min(shared, name.size());
        size_t same = 0;
        while (same < limit && name[same] == first[same])
            ++same;
        shared = same;
    }
    return shared;
}

inline uint64_t head(std::string_view name, size_t from)
{
    uint64_t value = 0;
    for (size_t k = from; k < from + sizeof value; ++k)
        value = value << 8 | (k < name.size() ? uint64_t(static_cast<unsigned char>(name[k])) : 0);
    return value;
}

} // namespace namesort

// Calls visit(i) for the indexes 0 .. names.size() - 1 in the order of
// names.name(i), in byte order; equal names keep their order. Names has
// size() and name(i), a string_view.
template <typename Names, typename Visit>
void visitSortedByName(const Names &names, Visit visit)
{
    const size_t shared = namesort::sharedPrefix(names);
    std::vector<namesort::Entry> entries(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        entries[i] = {namesort::head(names.name(i), shared), i};
    std::sort(entries.begin(), entries.end(), [&](const namesort::Entry &a, const namesort::Entry &b) {
        if (a.head != b.head)
            return a.head < b.head;
        const int byName = names.name(a.index).compare(names.name(b.index));
        return byName != 0 ? byName < 0 : a.index < b.index;
    });
    for (const namesort::Entry &entry : entries)
        visit(entry.index);
}

#endif // NAMESORT_H
