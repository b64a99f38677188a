#ifndef BULKRECORDS_H
#define BULKRECORDS_H

#include <cstddef>
#include <vector>

// Asks the system to back the memory at data with huge pages (2 MiB on
// x86-64) where it offers them, so that filling a large array costs one page
// fault per huge page instead of one per 4 KiB. Only whole huge pages inside
// the range are affected; a small range, or a system without them, is left
// as it is.
void adviseHugePages(void *data, size_t bytes);

// Makes records hold count default records, as assign does. When that needs
// new memory, it is advised for huge pages before it is first touched: the
// record arrays of a large merge run to tens of megabytes.
template <typename Record>
void assignDefaultRecords(std::vector<Record> &records, size_t count)
{
    if (count > records.capacity()) {
        std::vector<Record> fresh;
        fresh.reserve(count);
        adviseHugePages(fresh.data(), count * sizeof(Record));
        records.swap(fresh);
    }
    records.assign(count, Record());
}

#endif // BULKRECORDS_H
