#include "crypto.h"

#include "recordids.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <utility>

namespace tiku::bank::crypto {

QByteArray md5(QByteArrayView data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QByteArray sha1(QByteArrayView data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha1);
}

QByteArray passwordUtf16(const QString& password) {
    QByteArray out;
    const qsizetype n = std::min<qsizetype>(password.size(), 255);
    out.reserve(n * 2);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = password.at(i).unicode();
        out.append(char(c & 0xFF));
        out.append(char(c >> 8));
    }
    return out;
}

// --- RC4 ---------------------------------------------------------------------------------------

Rc4::Rc4(QByteArrayView key) {
    for (int k = 0; k < 256; ++k) {
        s_[k] = quint32(k);
    }
    const qsizetype len = key.size();
    qsizetype at = 0;
    quint32 j = 0;
    for (int k = 0; k < 256; ++k) {
        j = (j + s_[k] + (len > 0 ? quint8(key[at]) : 0)) & 0xFF;
        if (++at == len) {
            at = 0;
        }
        std::swap(s_[k], s_[j]);
    }
}

quint8 Rc4::next() {
    i_ = quint8(i_ + 1);
    const quint32 si = s_[i_];
    j_ = quint8(j_ + si);
    const quint32 sj = s_[j_];
    s_[i_] = sj;
    s_[j_] = si;
    return quint8(s_[(si + sj) & 0xFF]);
}

void Rc4::apply(quint8* data, qsizetype n) {
    quint32 i = i_;
    quint32 j = j_;
    quint32* s = s_.data();
    for (qsizetype k = 0; k < n; ++k) {
        i = (i + 1) & 0xFF;
        const quint32 si = s[i];
        j = (j + si) & 0xFF;
        const quint32 sj = s[j];
        s[i] = sj;
        s[j] = si;
        data[k] ^= quint8(s[(si + sj) & 0xFF]);
    }
    i_ = quint8(i);
    j_ = quint8(j);
}

void Rc4::keystreams(Rc4* const* states, quint8* const* out, int count, qsizetype n) {
    constexpr int kLanes = 4;
    for (int base = 0; base < count; base += kLanes) {
        const int lanes = std::min(kLanes, count - base);
        if (lanes < kLanes) {
            for (int t = 0; t < lanes; ++t) {
                std::fill_n(out[base + t], n, quint8(0));
                states[base + t]->apply(out[base + t], n);
            }
            continue;
        }
        quint32* s0 = states[base]->s_.data();
        quint32* s1 = states[base + 1]->s_.data();
        quint32* s2 = states[base + 2]->s_.data();
        quint32* s3 = states[base + 3]->s_.data();
        quint32 i = states[base]->i_; // the lanes start together, so one i serves all
        quint32 j0 = states[base]->j_, j1 = states[base + 1]->j_, j2 = states[base + 2]->j_,
                j3 = states[base + 3]->j_;
        quint8 *o0 = out[base], *o1 = out[base + 1], *o2 = out[base + 2], *o3 = out[base + 3];
        auto step = [&i](quint32* s, quint32& j) {
            const quint32 si = s[i];
            j = (j + si) & 0xFF;
            const quint32 sj = s[j];
            s[i] = sj;
            s[j] = si;
            return quint8(s[(si + sj) & 0xFF]);
        };
        for (qsizetype k = 0; k < n; ++k) {
            i = (i + 1) & 0xFF;
            o0[k] = step(s0, j0);
            o1[k] = step(s1, j1);
            o2[k] = step(s2, j2);
            o3[k] = step(s3, j3);
        }
        states[base]->j_ = quint8(j0);
        states[base + 1]->j_ = quint8(j1);
        states[base + 2]->j_ = quint8(j2);
        states[base + 3]->j_ = quint8(j3);
        for (int t = 0; t < kLanes; ++t) {
            states[base + t]->i_ = quint8(i);
        }
    }
}

void Rc4::skip(qsizetype n) {
    for (qsizetype k = 0; k < n; ++k) {
        next();
    }
}

// --- XOR obfuscation ---------------------------------------------------------------------------

namespace {

constexpr quint16 kInitialCode[15] = {0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C,
                                      0x0E10, 0xF1CE, 0x313E, 0x1872, 0xE139,
                                      0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3};

constexpr quint16 kXorMatrix[105] = {
    0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09, 0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7,
    0x9DCF, 0x2BBF, 0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0, 0x0375, 0x06EA, 0x0DD4,
    0x1BA8, 0x3750, 0x6EA0, 0xDD40, 0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5, 0x6F45,
    0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A, 0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC,
    0x5FD9, 0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0, 0xB861, 0x60E3, 0xC1C6, 0x93AD,
    0x377B, 0x6EF6, 0xDDEC, 0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10, 0xAA51, 0x4483,
    0x8906, 0x022D, 0x045A, 0x08B4, 0x1168, 0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C,
    0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD, 0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373,
    0x06E6, 0x0DCC, 0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4};

constexpr quint8 kPadArray[15] = {0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
                                  0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00};

quint8 rotateRight(quint8 v, int bits) {
    return quint8((v >> bits) | (v << (8 - bits)));
}

quint8 xorRor(quint8 a, quint8 b) {
    return rotateRight(quint8(a ^ b), 1);
}

} // namespace

QByteArray xorPasswordBytes(const QString& password) {
    QByteArray out;
    for (qsizetype i = 0; i < password.size() && out.size() < 15; ++i) {
        const char16_t c = password.at(i).unicode();
        out.append(char((c & 0xFF) != 0 ? (c & 0xFF) : (c >> 8)));
    }
    return out;
}

quint16 xorKey(QByteArrayView pw) {
    if (pw.isEmpty() || pw.size() > 15) {
        return 0;
    }
    quint16 key = kInitialCode[pw.size() - 1];
    int element = 0x68;
    for (qsizetype i = pw.size() - 1; i >= 0; --i) {
        quint8 c = quint8(pw[i]);
        for (int bit = 0; bit < 7; ++bit) {
            if ((c & 0x40) != 0 && element >= 0) {
                key ^= kXorMatrix[element];
            }
            c = quint8(c << 1);
            --element;
        }
    }
    return key;
}

quint16 xorVerifier(QByteArrayView pw) {
    quint16 verifier = 0;
    // The bytes are taken from the last to the first, then the length.
    auto step = [&verifier](quint8 b) {
        const quint16 high = (verifier & 0x4000) != 0 ? 1 : 0;
        verifier = quint16((((verifier << 1) & 0x7FFF) | high) ^ b);
    };
    for (qsizetype i = pw.size() - 1; i >= 0; --i) {
        step(quint8(pw[i]));
    }
    step(quint8(pw.size()));
    return quint16(verifier ^ 0xCE4B);
}

std::array<quint8, 16> xorArray(QByteArrayView pw) {
    std::array<quint8, 16> out{};
    const int len = int(std::min<qsizetype>(pw.size(), 15));
    if (len == 0) {
        return out;
    }
    const quint16 key = xorKey(pw.first(len));
    const quint8 keyHigh = quint8(key >> 8);
    const quint8 keyLow = quint8(key & 0xFF);
    int index = len;
    if (len % 2 == 1) {
        out[index] = xorRor(kPadArray[0], keyHigh);
        --index;
        out[index] = xorRor(quint8(pw[len - 1]), keyLow);
    }
    while (index > 0) {
        --index;
        out[index] = xorRor(quint8(pw[index]), keyHigh);
        --index;
        out[index] = xorRor(quint8(pw[index]), keyLow);
    }
    index = 15;
    int pad = 15 - len;
    while (pad > 0) {
        out[index] = xorRor(kPadArray[pad], keyHigh);
        --index;
        --pad;
        out[index] = xorRor(kPadArray[pad], keyLow);
        --index;
        --pad;
    }
    return out;
}

// --- RC4 keys ----------------------------------------------------------------------------------

Rc4Keys Rc4Keys::standard(const QString& password, QByteArrayView salt) {
    const QByteArray h0 = md5(passwordUtf16(password)).left(5);
    QByteArray buffer;
    buffer.reserve(16 * (5 + salt.size()));
    for (int k = 0; k < 16; ++k) {
        buffer.append(h0);
        buffer.append(salt);
    }
    return Rc4Keys(md5(buffer).left(5), false, 16);
}

Rc4Keys Rc4Keys::cryptoApi(const QString& password, QByteArrayView salt, int keyBits) {
    if (keyBits == 0) {
        keyBits = 40;
    }
    keyBits = std::clamp(keyBits, 40, 128);
    QByteArray input(salt.data(), salt.size());
    input.append(passwordUtf16(password));
    return Rc4Keys(sha1(input), true, keyBits / 8);
}

QByteArray Rc4Keys::blockKey(quint32 block) const {
    QByteArray input = base_;
    char le[4];
    qToLittleEndian(block, le);
    input.append(le, 4);
    if (!cryptoApi_) {
        return md5(input);
    }
    QByteArray key = sha1(input).left(keyBytes_);
    if (keyBytes_ == 5) {
        key.append(QByteArray(11, '\0'));
    }
    return key;
}

bool Rc4Keys::verify(QByteArrayView encryptedVerifier, QByteArrayView encryptedHash) const {
    if (encryptedVerifier.size() != 16 || encryptedHash.size() != verifierHashSize()) {
        return false;
    }
    QByteArray both(encryptedVerifier.data(), encryptedVerifier.size());
    both.append(encryptedHash.data(), encryptedHash.size());
    Rc4 rc4(blockKey(0));
    rc4.apply(reinterpret_cast<quint8*>(both.data()), both.size());
    const QByteArray verifier = both.left(16);
    const QByteArray hash = cryptoApi_ ? sha1(verifier) : md5(verifier);
    return hash == both.mid(16);
}

QByteArray Rc4Keys::encryptVerifier(QByteArrayView verifier) const {
    QByteArray both(verifier.data(), verifier.size());
    both.append(cryptoApi_ ? sha1(verifier) : md5(verifier));
    Rc4 rc4(blockKey(0));
    rc4.apply(reinterpret_cast<quint8*>(both.data()), both.size());
    return both;
}

// --- Record ciphers ----------------------------------------------------------------------------

namespace {

class XorCipher final : public RecordCipher {
public:
    explicit XorCipher(const std::array<quint8, 16>& array) : array_(array) {}

    // The index into the array runs with the stream position, offset by the record size.
    void decrypt(qint64 pos, int size, quint8* data, qsizetype n) const override {
        for (qsizetype k = 0; k < n; ++k) {
            const quint8 v = data[k] ^ array_[(pos + k + size) & 15];
            data[k] = rotateRight(v, 5);
        }
    }
    void encrypt(qint64 pos, int size, quint8* data, qsizetype n) const override {
        for (qsizetype k = 0; k < n; ++k) {
            const quint8 v = rotateRight(data[k], 3); // rotate left by 5
            data[k] = v ^ array_[(pos + k + size) & 15];
        }
    }

private:
    std::array<quint8, 16> array_;
};

// RC4 over the stream position: the keystream of block b starts at position b * 1024. A small
// cache keeps the keystream of recently used blocks, so a walk through the stream makes each
// block's keystream once, and a random read makes only the blocks it touches.
class Rc4Cipher final : public RecordCipher {
public:
    explicit Rc4Cipher(Rc4Keys keys) : keys_(std::move(keys)) {}

    void decrypt(qint64 pos, int, quint8* data, qsizetype n) const override { apply(pos, data, n); }
    void encrypt(qint64 pos, int, quint8* data, qsizetype n) const override { apply(pos, data, n); }

private:
    static constexpr int kSlots = 64;
    struct Slot {
        qint64 block = -1;
        std::array<quint8, kRekeyInterval> stream;
    };

    void apply(qint64 pos, quint8* data, qsizetype n) const {
        while (n > 0) {
            const qint64 block = pos / kRekeyInterval;
            const int offset = int(pos % kRekeyInterval);
            const qsizetype take = std::min<qsizetype>(n, kRekeyInterval - offset);
            const quint8* ks = keystream(block);
            for (qsizetype k = 0; k < take; ++k) {
                data[k] ^= ks[offset + k];
            }
            data += take;
            pos += take;
            n -= take;
        }
    }

    const quint8* keystream(qint64 block) const {
        if (!slots_) {
            slots_ = std::make_unique<Slot[]>(kSlots);
        }
        Slot& slot = slots_[block % kSlots];
        if (slot.block != block) {
            // This block and the next few, which a walk through the stream reads next: their
            // keystreams are made together, four at a time.
            constexpr int kAhead = 4;
            std::vector<Rc4> states;
            std::vector<Rc4*> statePtrs;
            std::vector<quint8*> outs;
            states.reserve(kAhead);
            for (qint64 b = block; b < block + kAhead; ++b) {
                Slot& s = slots_[b % kSlots];
                if (b != block && s.block == b) {
                    break;
                }
                states.emplace_back(keys_.blockKey(quint32(b)));
                outs.push_back(s.stream.data());
                s.block = b;
            }
            for (Rc4& r : states) {
                statePtrs.push_back(&r);
            }
            Rc4::keystreams(statePtrs.data(), outs.data(), int(states.size()), kRekeyInterval);
        }
        return slot.stream.data();
    }

    Rc4Keys keys_;
    mutable std::unique_ptr<Slot[]> slots_;
};

} // namespace

std::unique_ptr<RecordCipher> RecordCipher::xorObfuscation(const QString& password) {
    return std::make_unique<XorCipher>(xorArray(xorPasswordBytes(password)));
}

std::unique_ptr<RecordCipher> RecordCipher::rc4(Rc4Keys keys) {
    return std::make_unique<Rc4Cipher>(std::move(keys));
}

bool isPlainRecord(quint16 type) {
    switch (type) {
    case biff::record::Bof:
    case biff::record::FilePass:
    case biff::record::UsrExcl:
    case biff::record::FileLock:
    case biff::record::InterfaceHdr:
    case biff::record::RrdInfo:
    case biff::record::RrdHead:
        return true;
    default:
        return false;
    }
}

} // namespace tiku::bank::crypto
