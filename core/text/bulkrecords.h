#ifndef BULKRECORDS_H
#define BULKRECORDS_H

#include "platform.h"

#include <cstddef>
#include <iterator>
#include <new>
#include <stdexcept>
#include <vector>

// The record arrays of a large merge run to tens of megabytes. Filling fresh
// memory costs a page fault per page touched; these helpers back such arrays
// with huge pages where the system offers them, one fault per 2 MiB instead
// of one per 4 KiB.

// Makes room for count elements in values, keeping those it holds. New memory
// is advised for huge pages before it is first touched.
template <typename Value>
void reserveLarge(std::vector<Value> &values, size_t count)
{
    if (count <= values.capacity())
        return;
    std::vector<Value> fresh;
    fresh.reserve(count);
    platform::adviseHugePages(fresh.data(), count * sizeof(Value));
    fresh.insert(fresh.end(), std::make_move_iterator(values.begin()), std::make_move_iterator(values.end()));
    values.swap(fresh);
}

// Whether bytes are at most half the memory the system has available now:
// room made ahead must not take what a program running beside it needs.
bool fitsHalfFreeMemory(size_t bytes);

// Empty room for count elements whose memory is touched now, so that the
// array can be filled later at the speed of memory: made on a core that would
// otherwise wait, it takes the page faults off the filling. Without memory
// for it the room is empty.
template <typename Value>
std::vector<Value> touchedRoom(size_t count)
{
    std::vector<Value> room;
    try {
        reserveLarge(room, count);
        room.resize(count);
    } catch (const std::bad_alloc &) {
        return {};
    } catch (const std::length_error &) {
        return {};
    }
    room.clear();
    return room;
}

#endif // BULKRECORDS_H
