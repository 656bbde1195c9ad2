// The digests the stored files carry (journal lines, reply-thread keys, kept-mail names) must not
// change with the implementation behind them: OpenSSL's are checked against Qt's, whole and fed
// in pieces, across the block boundaries of both algorithms.

#include "platform/Digest.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTest>

class DigestTest : public QObject {
    Q_OBJECT

private slots:
    void agreesWithQtsHashes_data()
    {
        QTest::addColumn<int>("size");
        for (const int size : {0, 1, 55, 56, 63, 64, 65, 119, 120, 4096, 20284, 1000003})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }
    void agreesWithQtsHashes()
    {
        QFETCH(int, size);
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator generator(quint32(size) + 1);
        for (char& c : bytes)
            c = char(generator.bounded(256));
        const std::pair<digest::Algorithm, QCryptographicHash::Algorithm> pairs[] = {
            {digest::Algorithm::Sha1, QCryptographicHash::Sha1},
            {digest::Algorithm::Sha256, QCryptographicHash::Sha256}};
        for (const auto& [ours, qts] : pairs) {
            const QByteArray expected = QCryptographicHash::hash(bytes, qts);
            QCOMPARE(digest::of(ours, bytes), expected);
            digest::Hash pieces(ours);
            for (qsizetype at = 0; at < bytes.size();) {
                const qsizetype piece = std::min<qsizetype>(generator.bounded(1, 200), bytes.size() - at);
                pieces.add(QByteArrayView(bytes).sliced(at, piece));
                at += piece;
            }
            QCOMPARE(pieces.result(), expected);
        }
    }
};

QTEST_APPLESS_MAIN(DigestTest)
#include "digest_test.moc"
