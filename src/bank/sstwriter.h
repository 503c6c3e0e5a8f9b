#pragma once

// Writing the shared string table: every distinct cell text once, in SST and CONTINUE records,
// with the EXTSST index other readers use.

#include "recordwriter.h"

#include <QHash>
#include <QString>

#include <vector>

namespace tiku::bank::detail {

// The shared string table: SST with CONTINUE records as needed, then EXTSST.
class StringTable {
public:
    quint32 add(const QString& s) {
        ++total_;
        auto it = index_.constFind(s);
        if (it != index_.cend()) {
            return *it;
        }
        const quint32 i = quint32(strings_.size());
        index_.insert(s, i);
        strings_.push_back(s);
        return i;
    }

    void write(BiffStream& biff) const {
        const int unique = int(strings_.size());
        const int perBucket = std::max(8, (unique + 127) / 128);
        Bytes extSst;
        extSst.u16(quint16(perBucket));

        quint16 type = record::Sst;
        Bytes current;
        current.u32(total_).u32(quint32(unique));
        auto flush = [&] {
            biff.record(type, current);
            type = record::Continue;
            current = Bytes();
        };
        for (int k = 0; k < unique; ++k) {
            const QString& s = strings_[size_t(k)];
            const bool compressed = Bytes::fitsLatin1(s);
            const int charSize = compressed ? 1 : 2;
            // The count and flags never split from the first character.
            if (current.size() + 3 + (s.isEmpty() ? 0 : charSize) > record::maxData) {
                flush();
            }
            if (k % perBucket == 0) {
                extSst.u32(quint32(biff.position() + 4 + current.size()))
                    .u16(quint16(4 + current.size()))
                    .u16(0);
            }
            current.u16(quint16(s.size())).u8(compressed ? 0 : 1);
            qsizetype done = 0;
            while (done < s.size()) {
                qsizetype room = (record::maxData - current.size()) / charSize;
                // A surrogate pair stays in one record: readers decode each piece apart.
                if (room > 0 && done + room < s.size() && s.at(done + room - 1).isHighSurrogate()) {
                    --room;
                }
                if (room == 0) {
                    flush();
                    current.u8(compressed ? 0 : 1); // the characters go on in a CONTINUE
                    continue;
                }
                const qsizetype n = std::min(room, s.size() - done);
                current.chars(QStringView(s).mid(done, n), compressed);
                done += n;
            }
        }
        flush();
        biff.record(record::ExtSst, extSst);
    }

private:
    QHash<QString, quint32> index_;
    std::vector<QString> strings_;
    quint32 total_ = 0;
};

} // namespace tiku::bank::detail
