#pragma once

// The cipher primitives of password-protected BIFF8 workbooks: XOR obfuscation (method 1), RC4
// (version 1.1) and RC4 CryptoAPI, with their password verifiers. Reading and writing share
// them: a record's data is transformed by its position in the Workbook stream, the record
// headers never, and the RC4 key changes every 1024 bytes of stream position.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <memory>

namespace tiku::bank::crypto {

// The password Excel uses when a workbook is encrypted without one being asked for.
inline constexpr char16_t kDefaultPassword[] = u"VelvetSweatshop";

// Bytes of stream position after which RC4 takes a new key.
inline constexpr int kRekeyInterval = 1024;

QByteArray md5(QByteArrayView data);
QByteArray sha1(QByteArrayView data);

// The password as UTF-16LE bytes, at most 255 characters, as the RC4 key derivations take it.
QByteArray passwordUtf16(const QString& password);

// RC4 keystream.
class Rc4 {
public:
    explicit Rc4(QByteArrayView key);
    // XORs n bytes of data with the next n bytes of keystream.
    void apply(quint8* data, qsizetype n);
    void skip(qsizetype n);
    // The next n bytes of keystream of several independent RC4 states at once, into out[k]
    // for states[k]: interleaved, they run several times faster than one after the other.
    static void keystreams(Rc4* const* states, quint8* const* out, int count, qsizetype n);

private:
    quint8 next();
    std::array<quint32, 256> s_{}; // bytes, held in words: faster to load and store
    quint8 i_ = 0;
    quint8 j_ = 0;
};

// XOR obfuscation, method 1. The password is taken as at most 15 bytes: of each character its
// low byte, or its high byte when the low one is 0.
QByteArray xorPasswordBytes(const QString& password);
quint16 xorKey(QByteArrayView passwordBytes);      // the FILEPASS "key" field
quint16 xorVerifier(QByteArrayView passwordBytes); // the FILEPASS "verificationBytes" field
std::array<quint8, 16> xorArray(QByteArrayView passwordBytes);

// The per-block RC4 keys of RC4 (version 1.1) or RC4 CryptoAPI, and the verifier check.
class Rc4Keys {
public:
    // RC4 version 1.1: MD5 based, 128-bit keys. salt: 16 bytes.
    static Rc4Keys standard(const QString& password, QByteArrayView salt);
    // RC4 CryptoAPI: SHA-1 based; keyBits from 40 to 128 in steps of 8. A 40-bit key is padded
    // with zeros to 128 bits. salt: 16 bytes.
    static Rc4Keys cryptoApi(const QString& password, QByteArrayView salt, int keyBits);

    // The RC4 key of block (stream position / 1024).
    QByteArray blockKey(quint32 block) const;

    // Size of the verifier hash: 16 (MD5) or 20 (SHA-1).
    int verifierHashSize() const { return cryptoApi_ ? 20 : 16; }
    // True when encryptedVerifier (16 bytes) and encryptedVerifierHash (verifierHashSize()
    // bytes), decrypted with one keystream of the block 0 key, give a verifier whose hash
    // matches.
    bool verify(QByteArrayView encryptedVerifier, QByteArrayView encryptedVerifierHash) const;
    // The other way: encrypts verifier (16 bytes) and its hash for writing a FILEPASS record.
    // Returns encrypted verifier followed by the encrypted hash.
    QByteArray encryptVerifier(QByteArrayView verifier) const;

private:
    Rc4Keys(QByteArray base, bool cryptoApi, int keyBytes)
        : base_(std::move(base)), cryptoApi_(cryptoApi), keyBytes_(keyBytes) {}
    QByteArray base_; // the truncated intermediate hash (RC4) or H0 (CryptoAPI)
    bool cryptoApi_;
    int keyBytes_;
};

// The transformation of record data in the Workbook stream after FILEPASS. Callers pass the
// stream position of the first byte given and the data size of the record it belongs to (XOR
// depends on it); they leave record headers and the records that stay plain alone.
class RecordCipher {
public:
    static std::unique_ptr<RecordCipher> xorObfuscation(const QString& password);
    static std::unique_ptr<RecordCipher> rc4(Rc4Keys keys);
    virtual ~RecordCipher() = default;

    virtual void decrypt(qint64 streamPos, int recordSize, quint8* data, qsizetype n) const = 0;
    virtual void encrypt(qint64 streamPos, int recordSize, quint8* data, qsizetype n) const = 0;
};

// Record types whose data is never encrypted: BOF, FILEPASS, USREXCL, FILELOCK, INTERFACEHDR,
// RRDINFO, RRDHEAD. The first 4 bytes of BOUNDSHEET (the stream offset) stay plain too.
bool isPlainRecord(quint16 type);

} // namespace tiku::bank::crypto
