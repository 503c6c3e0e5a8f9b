#include "filepass.h"

namespace tiku::bank::biff {

Protection readFilePass(const Records& records, const Record& r, const QString& password) {
    const QByteArray d = records.data(r); // FILEPASS itself is never encrypted
    const auto* p = reinterpret_cast<const quint8*>(d.constData());
    const int n = int(d.size());
    if (n < 6) {
        damage("FILEPASS too short");
    }
    const QString velvet = QString::fromUtf16(crypto::kDefaultPassword);
    const QString candidates[2] = {password, velvet};
    Protection out;
    const quint16 type = le16(p);
    if (type == 0) {
        const quint16 key = le16(p + 2);
        const quint16 verifier = le16(p + 4);
        for (const QString& pw : candidates) {
            const QByteArray b = crypto::xorPasswordBytes(pw);
            if (!b.isEmpty() && crypto::xorVerifier(b) == verifier && crypto::xorKey(b) == key) {
                out.encryption = Encryption::Xor;
                out.cipher = crypto::RecordCipher::xorObfuscation(pw);
                return out;
            }
        }
        refuse(ErrorKind::PasswordRefused, QStringLiteral("密码不正确。"));
    }
    if (type != 1) {
        refuse(ErrorKind::UnsupportedFormat, QStringLiteral("不支持此加密方式。"));
    }
    const quint16 major = le16(p + 2);
    const quint16 minor = le16(p + 4);
    if (major == 1 && minor == 1) {
        if (n < 6 + 48) {
            damage("FILEPASS too short");
        }
        const QByteArrayView salt(p + 6, 16), ev(p + 22, 16), evh(p + 38, 16);
        for (const QString& pw : candidates) {
            crypto::Rc4Keys keys = crypto::Rc4Keys::standard(pw, salt);
            if (keys.verify(ev, evh)) {
                out.encryption = Encryption::Rc4;
                out.cipher = crypto::RecordCipher::rc4(std::move(keys));
                return out;
            }
        }
        refuse(ErrorKind::PasswordRefused, QStringLiteral("密码不正确。"));
    }
    if (major < 2 || major > 4 || minor != 2) {
        refuse(ErrorKind::UnsupportedFormat, QStringLiteral("不支持此加密方式。"));
    }
    if (n < 14) {
        damage("FILEPASS too short");
    }
    const quint32 headerSize = le32(p + 10);
    // The header follows the 14 bytes of version, flags and its size, all inside the record.
    if (headerSize < 32 || 14 + qint64(headerSize) > n) {
        damage("FILEPASS encryption header size");
    }
    const quint8* h = p + 14;
    const quint32 algId = le32(h + 8);
    int bits = int(le32(h + 16));
    if (algId != 0x6801 && algId != 0) {
        refuse(ErrorKind::UnsupportedFormat, QStringLiteral("不支持此加密方式。"));
    }
    if (bits == 0) {
        bits = 40;
    }
    if (bits < 40 || bits > 128 || bits % 8 != 0) {
        refuse(ErrorKind::UnsupportedFormat, QStringLiteral("不支持此加密方式。"));
    }
    const qint64 v = 14 + qint64(headerSize);
    if (v + 60 > n) {
        damage("FILEPASS verifier missing");
    }
    const quint8* vp = p + v;
    if (le32(vp) != 16 || le32(vp + 36) != 20) {
        damage("FILEPASS verifier sizes");
    }
    const QByteArrayView salt(vp + 4, 16), ev(vp + 20, 16), evh(vp + 40, 20);
    for (const QString& pw : candidates) {
        crypto::Rc4Keys keys = crypto::Rc4Keys::cryptoApi(pw, salt, bits);
        if (keys.verify(ev, evh)) {
            out.encryption = Encryption::Rc4CryptoApi;
            out.keyBits = bits;
            out.cipher = crypto::RecordCipher::rc4(std::move(keys));
            return out;
        }
    }
    refuse(ErrorKind::PasswordRefused, QStringLiteral("密码不正确。"));
}

} // namespace tiku::bank::biff
