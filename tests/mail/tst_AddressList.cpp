// Address lists as people write them, read by VMime's parser and checked: what is taken, and
// what is refused because the parser would have guessed or dropped part of it. (How the header
// writes them back is judged by Python in tst_OutgoingMail.)

#include "mail/AddressList.h"

#include <QTest>

using namespace nmail;

class AddressListTest : public QObject {
    Q_OBJECT

private slots:
    void readsWhatWasWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("addresses");
        QTest::newRow("bare") << QStringLiteral(" a@example.jp ") << QStringList{QString()} << QStringList{QStringLiteral("a@example.jp")};
        QTest::newRow("quoted name with a comma")
            << QStringLiteral("\"Yamada, Taro\" <taro.y@example.jp>, b@example.jp")
            << QStringList{QStringLiteral("Yamada, Taro"), QString()}
            << QStringList{QStringLiteral("taro.y@example.jp"), QStringLiteral("b@example.jp")};
        QTest::newRow("Japanese name") << QStringLiteral("山田 太郎 <t@example.jp>") << QStringList{QStringLiteral("山田 太郎")}
                                       << QStringList{QStringLiteral("t@example.jp")};
        QTest::newRow("encoded name") << QStringLiteral("=?UTF-8?B?5bGx55Sw?= <t@example.jp>") << QStringList{QStringLiteral("山田")}
                                      << QStringList{QStringLiteral("t@example.jp")};
        QTest::newRow("group and comment")
            << QStringLiteral("team: a@example.jp, B <b@example.jp>;, c@example.jp (Mr C), undisclosed-recipients:;")
            << QStringList{QString(), QStringLiteral("B"), QString()}
            << QStringList{QStringLiteral("a@example.jp"), QStringLiteral("b@example.jp"), QStringLiteral("c@example.jp")};
        QTest::newRow("empty") << QStringLiteral("  ") << QStringList{} << QStringList{};
    }
    void readsWhatWasWritten()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        QFETCH(QStringList, addresses);
        QString error;
        const auto list = parseAddressList(text, &error);
        QVERIFY2(list.has_value(), qPrintable(error));
        QCOMPARE(list->size(), addresses.size());
        for (qsizetype i = 0; i < list->size(); ++i) {
            QCOMPARE(list->at(i).name, names.at(i));
            QCOMPARE(QString::fromLatin1(list->at(i).addrSpec), addresses.at(i));
        }
    }

    void refusesWhatItWouldHaveToGuess_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("name that lost its quotes") << QStringLiteral("Yamada, Taro <t@example.jp>") << QStringLiteral("Yamada");
        QTest::newRow("unclosed quote") << QStringLiteral("\"Yamada, Taro <t@example.jp>") << QStringLiteral("\"Yamada");
        QTest::newRow("no domain") << QStringLiteral("taro") << QStringLiteral("taro");
        QTest::newRow("space in the address") << QStringLiteral("a b@example.jp") << QStringLiteral("a b@example.jp");
        QTest::newRow("text after the address") << QStringLiteral("a@example.jp x") << QStringLiteral("a@example.jp x");
        QTest::newRow("non-ASCII address") << QStringLiteral("山田@example.jp") << QStringLiteral("山田@example.jp");
        QTest::newRow("encoded name with a line break") << QStringLiteral("=?UTF-8?B?5bGx55SwDQpCY2M6?= <t@example.jp>")
                                                        << QStringLiteral("改行");
    }
    void refusesWhatItWouldHaveToGuess()
    {
        QFETCH(QString, text);
        QFETCH(QString, named);
        QString error;
        QVERIFY(!parseAddressList(text, &error).has_value());
        QVERIFY2(error.contains(named), qPrintable(error));
    }

    // A reply goes to the one mailbox of the received From text, whose encoded name may have
    // decoded to specials without quotes; what cannot be mended is left for the user to see.
    void replyRecipientIsOneMailbox_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("name");
        const QString kept = QStringLiteral("\"Yamada, Taro\" <t@example.jp>");
        QTest::newRow("already one mailbox") << kept << kept << QStringLiteral("Yamada, Taro");
        QTest::newRow("decoded name with a comma")
            << QStringLiteral("Yamada, Taro (株式会社テッサリー 営業部) <t@example.jp>")
            << QStringLiteral("\"Yamada, Taro (株式会社テッサリー 営業部)\" <t@example.jp>")
            << QStringLiteral("Yamada, Taro (株式会社テッサリー 営業部)");
        QTest::newRow("quote and backslash in the name")
            << QStringLiteral("Ken \"K\\S\", Sales <k@example.jp>")
            << QStringLiteral("\"Ken \\\"K\\\\S\\\", Sales\" <k@example.jp>") << QStringLiteral("Ken \"K\\S\", Sales");
        const QString noAddress = QStringLiteral("Yamada, Taro");
        QTest::newRow("no address to mend") << noAddress << noAddress << QString();
    }
    void replyRecipientIsOneMailbox()
    {
        QFETCH(QString, sender);
        QFETCH(QString, recipient);
        QFETCH(QString, name);
        QCOMPARE(replyRecipient(sender), recipient);
        QString error;
        const auto list = parseAddressList(recipient, &error);
        QCOMPARE(list.has_value(), !name.isEmpty());
        if (list) {
            QCOMPARE(list->size(), 1);
            QCOMPARE(list->first().name, name);
        }
    }
};

QTEST_GUILESS_MAIN(AddressListTest)
#include "tst_AddressList.moc"
