// The cipher primitives: RC4 against published test vectors, the XOR obfuscation key and
// verifier against the FILEPASS fields of workbooks Excel wrote, key derivation details and the
// stream-position rules of the record ciphers.

#include "bank/crypto.h"

#include <QtTest>

using namespace tiku::bank::crypto;

class TestDecrypt : public QObject {
    Q_OBJECT
private slots:
    void rc4Vectors_data();
    void rc4Vectors();
    void xorKeyAndVerifier_data();
    void xorKeyAndVerifier();
    void xorPasswordBytesTakeLowOrHighByte();
    void xorRoundTripDependsOnPositionAndRecordSize();
    void rc4CipherRekeysEvery1024Bytes();
    void rc4CipherRandomAccessMatchesSequential();
    void cryptoApiKeyLengths_data();
    void cryptoApiKeyLengths();
    void verifierRoundTrip_data();
    void verifierRoundTrip();
    void plainRecords();
};

void TestDecrypt::rc4Vectors_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipher");
    QTest::newRow("Key/Plaintext") << QByteArray("Key") << QByteArray("Plaintext")
                                   << QByteArray::fromHex("BBF316E8D940AF0AD3");
    QTest::newRow("Wiki/pedia") << QByteArray("Wiki") << QByteArray("pedia")
                                << QByteArray::fromHex("1021BF0420");
    QTest::newRow("Secret/Attack at dawn") << QByteArray("Secret") << QByteArray("Attack at dawn")
                                           << QByteArray::fromHex("45A01F645FC35B383552544B9BF5");
}

void TestDecrypt::rc4Vectors() {
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipher);
    QByteArray data = plain;
    Rc4 rc4(key);
    rc4.apply(reinterpret_cast<quint8*>(data.data()), data.size());
    QCOMPARE(data.toHex(), cipher.toHex());
    // skip(n) then apply equals applying to the whole and taking the tail.
    QByteArray tail = plain.mid(3);
    Rc4 skipped(key);
    skipped.skip(3);
    skipped.apply(reinterpret_cast<quint8*>(tail.data()), tail.size());
    QCOMPARE(tail.toHex(), cipher.mid(3).toHex());
}

void TestDecrypt::xorKeyAndVerifier_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("verifier");
    // FILEPASS fields of XOR-obfuscated workbooks written by Excel.
    QTest::newRow("abc") << "abc" << 0x514a << 0xcc1a;
    QTest::newRow("password") << "password" << 0x147a << 0x83af;
    QTest::newRow("15 characters") << "123456789012345" << 0x8265 << 0x9eb1;
}

void TestDecrypt::xorKeyAndVerifier() {
    QFETCH(QString, password);
    QFETCH(int, key);
    QFETCH(int, verifier);
    const QByteArray b = xorPasswordBytes(password);
    QCOMPARE(int(xorKey(b)), key);
    QCOMPARE(int(xorVerifier(b)), verifier);
}

void TestDecrypt::xorPasswordBytesTakeLowOrHighByte() {
    QCOMPARE(xorPasswordBytes(QStringLiteral("ab")), QByteArray("ab"));
    // U+0100: low byte 0, so the high byte 0x01; U+4E2D: low byte 0x2D.
    QCOMPARE(xorPasswordBytes(QString(QChar(0x0100)) + QChar(0x4E2D)), QByteArray("\x01\x2D"));
    QCOMPARE(xorPasswordBytes(QStringLiteral("1234567890123456789")).size(), 15);
    QCOMPARE(xorKey(QByteArray()), quint16(0));
}

void TestDecrypt::xorRoundTripDependsOnPositionAndRecordSize() {
    auto cipher = RecordCipher::xorObfuscation(QStringLiteral("qmpzrtv58204617"));
    const QByteArray plain("The quick brown fox jumps over the lazy dog");
    QByteArray data = plain;
    auto* p = reinterpret_cast<quint8*>(data.data());
    cipher->encrypt(1000, 60, p, data.size());
    QVERIFY(data != plain);
    QByteArray other = plain;
    cipher->encrypt(1001, 60, reinterpret_cast<quint8*>(other.data()), other.size());
    QVERIFY(other != data);
    QByteArray otherSize = plain;
    cipher->encrypt(1000, 61, reinterpret_cast<quint8*>(otherSize.data()), otherSize.size());
    QVERIFY(otherSize != data);
    // Positions 16 apart with the same record size give the same bytes.
    QByteArray period = plain;
    cipher->encrypt(1016, 60, reinterpret_cast<quint8*>(period.data()), period.size());
    QCOMPARE(period, data);
    // Decrypting a piece in the middle needs only its own position.
    QByteArray piece = data.mid(7, 9);
    cipher->decrypt(1007, 60, reinterpret_cast<quint8*>(piece.data()), piece.size());
    QCOMPARE(piece, plain.mid(7, 9));
    cipher->decrypt(1000, 60, p, data.size());
    QCOMPARE(data, plain);
}

void TestDecrypt::rc4CipherRekeysEvery1024Bytes() {
    const QByteArray salt(16, '\x11');
    auto cipher = RecordCipher::rc4(Rc4Keys::standard(QStringLiteral("pw"), salt));
    QByteArray zeros(2048, '\0');
    cipher->encrypt(0, 0, reinterpret_cast<quint8*>(zeros.data()), zeros.size());
    // Block 1's keystream starts afresh with the key of block 1.
    QByteArray expected(1024, '\0');
    Rc4 rc4(Rc4Keys::standard(QStringLiteral("pw"), salt).blockKey(1));
    rc4.apply(reinterpret_cast<quint8*>(expected.data()), expected.size());
    QCOMPARE(zeros.mid(1024).toHex(), expected.toHex());
    QVERIFY(zeros.left(1024) != expected);
}

void TestDecrypt::rc4CipherRandomAccessMatchesSequential() {
    const QByteArray salt = QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10");
    auto keys = Rc4Keys::cryptoApi(QStringLiteral("qmpzrtv58204617"), salt, 128);
    auto sequential = RecordCipher::rc4(keys);
    QByteArray all(300000, '\0');
    sequential->decrypt(0, 0, reinterpret_cast<quint8*>(all.data()), all.size());
    // A fresh cipher reading scattered pieces, far apart and in reverse, more pieces than its
    // cache holds.
    auto random = RecordCipher::rc4(keys);
    for (qint64 pos = 299000; pos > 0; pos -= 2333) {
        QByteArray piece(1500, '\0');
        random->decrypt(pos, 0, reinterpret_cast<quint8*>(piece.data()),
                        std::min<qint64>(1500, all.size() - pos));
        QCOMPARE(piece.left(int(std::min<qint64>(1500, all.size() - pos))),
                 all.mid(pos, std::min<qint64>(1500, all.size() - pos)));
    }
}

void TestDecrypt::cryptoApiKeyLengths_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("keySize");
    QTest::addColumn<int>("zeroTail");
    QTest::newRow("40 padded to 128") << 40 << 16 << 11;
    QTest::newRow("0 means 40") << 0 << 16 << 11;
    QTest::newRow("56") << 56 << 7 << 0;
    QTest::newRow("128") << 128 << 16 << 0;
}

void TestDecrypt::cryptoApiKeyLengths() {
    QFETCH(int, bits);
    QFETCH(int, keySize);
    QFETCH(int, zeroTail);
    const QByteArray salt(16, '\x42');
    const QByteArray key = Rc4Keys::cryptoApi(QStringLiteral("password"), salt, bits).blockKey(3);
    QCOMPARE(int(key.size()), keySize);
    if (zeroTail > 0) {
        QCOMPARE(key.right(zeroTail), QByteArray(zeroTail, '\0'));
        QVERIFY(key.left(5) != QByteArray(5, '\0'));
    }
    // The key is the start of SHA-1(SHA-1(salt + password) + block).
    QByteArray pw;
    for (char c : QByteArray("password")) {
        pw.append(c).append('\0');
    }
    QByteArray block("\x03\x00\x00\x00", 4);
    const QByteArray h = sha1(sha1(salt + pw) + block);
    QCOMPARE(key.left(std::min(keySize, bits == 0 ? 5 : bits / 8)),
             h.left(std::min(keySize, bits == 0 ? 5 : bits / 8)));
}

void TestDecrypt::verifierRoundTrip_data() {
    QTest::addColumn<bool>("cryptoApi");
    QTest::addColumn<int>("bits");
    QTest::newRow("RC4") << false << 128;
    QTest::newRow("CryptoAPI 40") << true << 40;
    QTest::newRow("CryptoAPI 128") << true << 128;
}

void TestDecrypt::verifierRoundTrip() {
    QFETCH(bool, cryptoApi);
    QFETCH(int, bits);
    const QByteArray salt = QByteArray::fromHex("a1b2c3d4e5f60718293a4b5c6d7e8f90");
    auto make = [&](const QString& pw) {
        return cryptoApi ? Rc4Keys::cryptoApi(pw, salt, bits) : Rc4Keys::standard(pw, salt);
    };
    const Rc4Keys keys = make(QStringLiteral("qmpzrtv58204617"));
    const QByteArray enc = keys.encryptVerifier(QByteArray(16, '\x5a'));
    QCOMPARE(int(enc.size()), 16 + keys.verifierHashSize());
    const QByteArrayView ev(enc.constData(), 16);
    const QByteArrayView evh(enc.constData() + 16, keys.verifierHashSize());
    QVERIFY(keys.verify(ev, evh));
    QVERIFY(!make(QStringLiteral("qmpzrtv58204618")).verify(ev, evh));
    QVERIFY(!make(QStringLiteral("QMPZRTV58204617")).verify(ev, evh));
    QVERIFY(!make(QString()).verify(ev, evh));
    QVERIFY(!keys.verify(ev, evh.first(evh.size() - 1))); // wrong hash size
}

void TestDecrypt::plainRecords() {
    for (quint16 t : {0x0809, 0x002F, 0x0194, 0x0195, 0x00E1, 0x0196, 0x0138}) {
        QVERIFY2(isPlainRecord(t), qPrintable(QString::number(t, 16)));
    }
    for (quint16 t : {0x0085, 0x00FC, 0x003C, 0x000A, 0x00FD, 0x0006}) {
        QVERIFY2(!isPlainRecord(t), qPrintable(QString::number(t, 16)));
    }
}

QTEST_GUILESS_MAIN(TestDecrypt)
#include "test_decrypt.moc"
