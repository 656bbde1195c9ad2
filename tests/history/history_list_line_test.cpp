#include "history/HistoryListLine.h"

#include <QTest>

using history::HistoryListLine;
using store::HistoryKind;
using store::HistoryRecord;

class HistoryListLineTest : public QObject {
    Q_OBJECT

private slots:
    void receivedLineTakesDateFromFieldB()
    {
        HistoryRecord record;
        record.Subject = QStringLiteral("  会議の件  ");
        record.FieldA = QStringLiteral(" 山田 <yamada@example.jp>   ");
        record.FieldB = QStringLiteral("Mon, 7 Dec 2026 10:00:00 +0900   ");
        const QString address = QStringLiteral("山田 <yamada@example.jp>");
        QCOMPARE(HistoryListLine(record, HistoryKind::Received),
                 QStringLiteral("Mon, 7 Dec 2026 10:00:00 +0900    ") + address
                     + QString(60 - address.size(), QLatin1Char('_')) + QStringLiteral("    会議の件"));
    }

    void sentLineTakesDateFromFieldA()
    {
        HistoryRecord record;
        record.Subject = QStringLiteral("Re:  hello");
        record.FieldA = QStringLiteral("2026/12/08  9:30:05");
        record.FieldB = QStringLiteral("to@example.jp");
        QCOMPARE(HistoryListLine(record, HistoryKind::Sent),
                 QStringLiteral("2026/12/08  9:30:05    to@example.jp") + QString(47, QLatin1Char('_'))
                     + QStringLiteral("    Re:  hello"));
    }

    void addressColumnIsFilledToSixtyCharacters_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("underscores");
        QTest::newRow("empty") << 0 << 60;
        QTest::newRow("59") << 59 << 1;
        QTest::newRow("exactly 60") << 60 << 0;
        QTest::newRow("61 is not cut") << 61 << 0;
    }

    void addressColumnIsFilledToSixtyCharacters()
    {
        QFETCH(int, length);
        QFETCH(int, underscores);
        HistoryRecord record;
        // Characters, not bytes, count: a double-byte character is one.
        record.FieldA = QString(length, QChar(0x3042));
        record.FieldB = QStringLiteral("d");
        record.Subject = QStringLiteral("s");
        QCOMPARE(HistoryListLine(record, HistoryKind::Received),
                 QStringLiteral("d    ") + record.FieldA + QString(underscores, QLatin1Char('_'))
                     + QStringLiteral("    s"));
    }

    void onlySpacesAreTrimmed()
    {
        HistoryRecord record;
        record.Subject = QStringLiteral("\t件名\u3000 ");
        record.FieldA = QStringLiteral("\u3000");
        record.FieldB = QStringLiteral(" date\r\n");
        QCOMPARE(HistoryListLine(record, HistoryKind::Received),
                 QStringLiteral("date\r\n    \u3000") + QString(59, QLatin1Char('_'))
                     + QStringLiteral("    \t件名\u3000"));
    }
};

QTEST_APPLESS_MAIN(HistoryListLineTest)
#include "history_list_line_test.moc"
