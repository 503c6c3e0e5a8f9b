#pragma once

// The shared string table: the SST record and the CONTINUE records after it. A string is found
// by its index through the start positions of the strings before it, found by walking the table
// once, as far as the cells ask. EXTSST, which claims such positions, is a hint any writer may
// get wrong, and a string taken from a wrong hint would be another question's: it is not used.

#include "recordstream.h"

#include <vector>

namespace tiku::bank::biff {

class SharedStrings {
public:
    explicit SharedStrings(const Records& records) : records_(records) {}

    // The SST record (damage when it is too short), then each CONTINUE record after it.
    void begin(const Record& sst);
    void addContinue(const Record& r);

    // The string at index; damage when the table holds no such string.
    QString at(quint32 index) const;

private:
    struct Position {
        quint32 segment;
        quint32 offset;
    };

    const Records& records_;
    std::vector<Record> segments_; // SST and its CONTINUE records that carry data
    quint32 unique_ = 0;           // the count of strings the SST declares
    // Start of string k, for k up to what has been walked (the last entry may be the end of the
    // table); a lookup never walks a string twice.
    mutable std::vector<Position> starts_;
    mutable bool walkEnded_ = false; // the table ended or broke before string starts_.size()
};

} // namespace tiku::bank::biff
