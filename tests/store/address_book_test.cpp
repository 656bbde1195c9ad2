// The address record byte by byte, its numbering rule and the address book file on disk.

#include "store/AddressBookFile.h"
#include "TempProgramFolder.h"

#include <QFile>
#include <QtTest>

using namespace store;

namespace {

QByteArray spaces(qsizetype n) { return QByteArray(n, ' '); }
QByteArray ideographicSpaces(qsizetype n) { return QByteArray("\x81\x40").repeated(n); }
const QByteArray InUseEnd("\r\n\x01\x00", 4);

const QString BookFile = QStringLiteral("★MAilData/Devudiz20.data");

}  // namespace

class AddressBookTest : public QObject {
    Q_OBJECT

private slots:
    void twoKanjiNameAndShortAddress()
    {
        const QByteArray bytes = AddressRecord::forEntry(QStringLiteral("山田"), QStringLiteral("a@b")).toBytes();
        QCOMPARE(bytes.size(), AddressRecordSize);
        QCOMPARE(bytes.left(60), QByteArray("\x8e\x52\x93\x63") + ideographicSpaces(28));
        QCOMPARE(bytes.mid(60, 4), InUseEnd);
        QCOMPARE(bytes.mid(64), QByteArray("a@b") + spaces(57));
    }

    void asciiNameGetsBothPaddings()
    {
        const QByteArray bytes = AddressRecord::forEntry(QStringLiteral("Suzuki Ken"), QStringLiteral("x")).toBytes();
        QCOMPARE(bytes.left(60), QByteArray("Suzuki Ken") + ideographicSpaces(20) + spaces(10));
    }

    void thirtyCharacterNamesAreNotPadded_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("ascii") << QStringLiteral("abcdefghijklmnopqrstuvwxyz1234")
                               << QByteArray("abcdefghijklmnopqrstuvwxyz1234") + spaces(30);
        QTest::newRow("kanji") << QString(30, QChar(0x5c71)) << QByteArray("\x8e\x52").repeated(30);
    }
    void thirtyCharacterNamesAreNotPadded()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, field);
        QCOMPARE(AddressRecord::forEntry(name, QStringLiteral("x")).toBytes().left(60), field);
    }

    void longAddressIsCutTo60Bytes()
    {
        const QString address = QString(58, u'a') + QStringLiteral("@東京");
        const QByteArray bytes = AddressRecord::forEntry(QStringLiteral("n"), address).toBytes();
        // 58 + "@" = 59 bytes; the double-byte character that would straddle byte 60 is dropped.
        QCOMPARE(bytes.mid(64), QByteArray(58, 'a') + "@ ");
        QCOMPARE(bytes.size(), AddressRecordSize);
    }

    void readBackFieldsAreSixtyCharacters()
    {
        AddressRecord stored = AddressRecord::forEntry(QStringLiteral("山田"), QStringLiteral("a@b"));
        stored.InUse = 0;
        const AddressRecord back = AddressRecord::fromBytes(stored.toBytes());
        QCOMPARE(back.Name, QStringLiteral("山田") + QString(28, QChar(0x3000)) + QString(30, u' '));
        QCOMPARE(back.Address, QStringLiteral("a@b") + QString(57, u' '));
        QCOMPARE(back.InUse, std::int16_t(0));
    }

    void nextNumberRoundsHalfToEven_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("number");
        QTest::newRow("empty") << qint64(0) << 1;
        QTest::newRow("two records") << qint64(248) << 3;
        QTest::newRow("1.5 records goes down to 2") << qint64(186) << 2;
        QTest::newRow("2.5 records goes up to 4") << qint64(310) << 4;
        QTest::newRow("2.4 records") << qint64(298) << 3;
    }
    void nextNumberRoundsHalfToEven()
    {
        QFETCH(qint64, size);
        QFETCH(int, number);
        TempProgramFolder program;
        program.write(BookFile, QByteArray(size, 'x'));
        QCOMPARE(NextAddressNumber(addressBookPath(program.folder())), number);
    }

    void missingFileCountsAsEmptyAndIsCreatedOnlyInAnExistingFolder()
    {
        TempProgramFolder program;
        const QString path = addressBookPath(program.folder());
        QCOMPARE(NextAddressNumber(path), 1);
        QVERIFY(readAddresses(path).isEmpty());
        QVERIFY(createIfMissing(path).ok);
        QCOMPARE(QFileInfo(path).size(), 0);

        TempProgramFolder bare(false);
        const StoreResult result = createIfMissing(addressBookPath(bare.folder()));
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains(QStringLiteral("★MAilData")));
        QVERIFY(!QDir(bare.path()).exists(QStringLiteral("★MAilData")));
    }

    void writeAtTheRoundedNumberAfterAPartialTail()
    {
        TempProgramFolder program;
        const QString path = addressBookPath(program.folder());
        const QByteArray first = AddressRecord::forEntry(QStringLiteral("一"), QStringLiteral("1@x")).toBytes();
        const QByteArray tail(70, 'T');
        program.write(BookFile, first + first + tail);  // 318 bytes: 2.56 records

        QCOMPARE(readAddresses(path).size(), 2);
        const int number = NextAddressNumber(path);
        QCOMPARE(number, 4);
        const AddressRecord added = AddressRecord::forEntry(QStringLiteral("四"), QStringLiteral("4@x"));
        QVERIFY(writeAddress(path, number, added).ok);
        const QByteArray bytes = program.read(BookFile);
        QCOMPARE(bytes.size(), 4 * AddressRecordSize);
        QCOMPARE(bytes.mid(248, 70), tail);
        QCOMPARE(bytes.mid(318, 54), QByteArray(54, '\0'));
        QCOMPARE(bytes.mid(372), added.toBytes());
        QCOMPARE(readAddresses(path).size(), 4);
    }

    void aFullBookRefusesTheNextEntry()
    {
        TempProgramFolder program;
        const QString path = addressBookPath(program.folder());
        program.write(BookFile, QByteArray(MaxRecordNumber * AddressRecordSize, ' '));
        QCOMPARE(NextAddressNumber(path), MaxRecordNumber + 1);
        const StoreResult result = writeAddress(path, NextAddressNumber(path), AddressRecord());
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains(QStringLiteral("32767")));
        QCOMPARE(QFileInfo(path).size(), MaxRecordNumber * AddressRecordSize);
    }

    void singleRecordsAndTheListFileReadCaseInsensitively()
    {
        TempProgramFolder program;
        const QByteArray one = AddressRecord::forEntry(QStringLiteral("一"), QStringLiteral("1@x")).toBytes();
        const QByteArray two = AddressRecord::forEntry(QStringLiteral("二"), QStringLiteral("2@x")).toBytes();
        program.write(QStringLiteral("★MAilData/zidoride20.ini"), one + two + "xy");
        const QString list = addressListPath(program.folder());
        QVERIFY(list.endsWith(QStringLiteral("zidoride20.ini")));
        const QList<AddressRecord> records = readAddresses(list);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(1).Address.trimmed(), QStringLiteral("2@x"));
        QCOMPARE(readAddress(list, 1)->Name.left(1), QStringLiteral("一"));
        QVERIFY(!readAddress(list, 3));
        QVERIFY(!readAddress(list, 0));
    }

    void removeDropsTheChosenAndTheUnusedRecords()
    {
        TempProgramFolder program;
        AddressRecord unused = AddressRecord::forEntry(QStringLiteral("二"), QStringLiteral("2@x"));
        unused.InUse = 0;
        const QByteArray one = AddressRecord::forEntry(QStringLiteral("一"), QStringLiteral("1@x")).toBytes();
        const QByteArray three = AddressRecord::forEntry(QStringLiteral("三"), QStringLiteral("3@x")).toBytes();
        const QByteArray four = AddressRecord::forEntry(QStringLiteral("四"), QStringLiteral("4@x")).toBytes();
        program.write(BookFile, one + unused.toBytes() + three + four);

        QVERIFY(removeAddress(program.folder(), 3).ok);
        QCOMPARE(program.read(BookFile), one + four);
        QVERIFY(!QFile::exists(addressBookTempPath(program.folder())));
        QVERIFY(removeAddress(program.folder(), 0).ok);
        QCOMPARE(program.read(BookFile), one + four);
    }
};

QTEST_GUILESS_MAIN(AddressBookTest)
#include "address_book_test.moc"
