#include "sharedstrings.h"

namespace tiku::bank::biff {

void SharedStrings::begin(const Record& sst) {
    if (sst.size < 8) {
        damage("SST too short");
    }
    quint8 b[8];
    records_.read(sst, 0, 8, b);
    unique_ = le32(b + 4);
    segments_.assign(1, sst);
    starts_.assign(1, {0, 8});
    walkEnded_ = false;
}

void SharedStrings::addContinue(const Record& r) {
    if (r.size > 0) { // an empty record carries nothing on
        segments_.push_back(r);
    }
}

QString SharedStrings::at(quint32 index) const {
    if (segments_.empty() || index >= unique_) {
        damage("shared string index outside the table");
    }
    // The walk goes past the string itself: a string whose rich-text runs or phonetic data
    // run past the table is damage, though its characters could be read.
    if (index + 1 >= starts_.size()) {
        if (walkEnded_) {
            damage("shared string table cut short");
        }
        const Position from = starts_.back();
        Cursor c(records_, segments_, from.segment, int(from.offset));
        while (starts_.size() <= size_t(index) + 1) {
            if (!skipRichString(c)) {
                walkEnded_ = true;
                damage("shared string table cut short");
            }
            starts_.push_back({quint32(c.segment()), quint32(c.offset())});
        }
    }
    const Position at = starts_[index];
    Cursor c(records_, segments_, at.segment, int(at.offset));
    QString out;
    if (!readRichString(c, out)) {
        damage("shared string table cut short");
    }
    return out;
}

} // namespace tiku::bank::biff
