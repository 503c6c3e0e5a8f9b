#include "recordstream.h"

#include "recordids.h"

#include <algorithm>

namespace tiku::bank::biff {

void damage(const char* what) {
    throw Fault(ErrorKind::Damaged,
                QStringLiteral("文件已损坏（%1）。").arg(QString::fromUtf8(what)));
}

void refuse(ErrorKind kind, const QString& reason) {
    throw Fault(kind, reason);
}

std::optional<Record> Records::continueAfter(const Record& r) const {
    std::optional<Record> next = at(r.end());
    if (!next || next->type != record::Continue || next->size == 0) {
        return std::nullopt;
    }
    return next;
}

QByteArray Records::data(const Record& r) const {
    QByteArray out(r.size, Qt::Uninitialized);
    read(r, 0, r.size, reinterpret_cast<quint8*>(out.data()));
    return out;
}

quint16 Records::u16(const Record& r, int off) const {
    quint8 b[2];
    read(r, off, 2, b);
    return le16(b);
}

bool Cursor::next() {
    if (list_ != nullptr) {
        if (seg_ + 1 >= list_->size()) {
            return false;
        }
        cur_ = (*list_)[++seg_];
    } else {
        std::optional<Record> r = records_.continueAfter(cur_);
        if (!r) {
            return false;
        }
        cur_ = *r;
        ++seg_;
    }
    off_ = 0;
    return true;
}

bool Cursor::bytes(quint8* out, int n) {
    while (n > 0) {
        if (off_ >= cur_.size) {
            if (!next()) {
                return false;
            }
            continue;
        }
        const int take = std::min(n, cur_.size - off_);
        records_.read(cur_, off_, take, out);
        out += take;
        off_ += take;
        n -= take;
    }
    return true;
}

bool Cursor::skip(quint64 n) {
    while (n > 0) {
        if (off_ >= cur_.size) {
            if (!next()) {
                return false;
            }
            continue;
        }
        const int take = int(std::min<quint64>(n, quint64(cur_.size - off_)));
        off_ += take;
        n -= take;
    }
    return true;
}

bool Cursor::chars(int cch, bool high, QString* out) {
    quint8 buf[512];
    while (cch > 0) {
        if (off_ >= cur_.size) {
            if (!next()) {
                return false;
            }
            quint8 flags = 0;
            records_.read(cur_, 0, 1, &flags);
            off_ = 1;
            high = (flags & 0x01) != 0;
            continue;
        }
        const int width = high ? 2 : 1;
        const int avail = (cur_.size - off_) / width;
        if (avail == 0) {
            return false; // half a character before the record ends
        }
        const int take = std::min({cch, avail, int(sizeof buf) / 2});
        if (out != nullptr) {
            records_.read(cur_, off_, take * width, buf);
            if (high) {
                for (int k = 0; k < take; ++k) {
                    out->append(QChar(char16_t(le16(buf + 2 * k))));
                }
            } else {
                out->append(QLatin1StringView(reinterpret_cast<const char*>(buf), take));
            }
        }
        off_ += take * width;
        cch -= take;
    }
    return true;
}

namespace {

// The header of a rich string: character count, option byte, and the sizes of what follows the
// characters.
struct RichHeader {
    int cch = 0;
    bool high = false;
    quint32 runs = 0;
    quint32 ext = 0;
};

bool richHeader(Cursor& c, RichHeader& h) {
    quint8 b[4];
    if (!c.bytes(b, 3)) {
        return false;
    }
    h.cch = le16(b);
    const quint8 flags = b[2];
    if ((flags & ~0x0D) != 0) {
        return false;
    }
    h.high = (flags & 0x01) != 0;
    if ((flags & 0x08) != 0) {
        if (!c.bytes(b, 2)) {
            return false;
        }
        h.runs = le16(b);
    }
    if ((flags & 0x04) != 0) {
        if (!c.bytes(b, 4)) {
            return false;
        }
        h.ext = le32(b);
    }
    return true;
}

} // namespace

bool readRichString(Cursor& c, QString& out) {
    RichHeader h;
    if (!richHeader(c, h)) {
        return false;
    }
    out.reserve(h.cch);
    return c.chars(h.cch, h.high, &out);
}

bool skipRichString(Cursor& c) {
    RichHeader h;
    return richHeader(c, h) && c.chars(h.cch, h.high, nullptr) && c.skip(quint64(h.runs) * 4) &&
           c.skip(h.ext);
}

bool readPlainString(Cursor& c, QString& out) {
    quint8 h[3];
    if (!c.bytes(h, 3)) {
        return false;
    }
    if ((h[2] & ~0x0D) != 0) {
        return false;
    }
    out.reserve(le16(h));
    return c.chars(le16(h), (h[2] & 0x01) != 0, &out);
}

} // namespace tiku::bank::biff
