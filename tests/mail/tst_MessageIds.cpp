// The identifiers a reply carries to join the thread of the mail it answers (RFC 5322 3.6.4),
// read from received headers as real mail programs write them.

#include "mail/MessageIds.h"

#include <QTest>

using nmail::ReplyThread;

class MessageIdsTest : public QObject {
    Q_OBJECT

private slots:
    void identifiersAreReadFromFieldValues_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QList<QByteArray>>("ids");
        QTest::newRow("one") << QByteArray(" <a1@example.jp>") << QList<QByteArray>{"<a1@example.jp>"};
        QTest::newRow("list, folded") << QByteArray("<a@x.jp>\r\n\t<b@y.jp>  <c.d+e@[192.0.2.1]>")
                                      << QList<QByteArray>{"<a@x.jp>", "<b@y.jp>", "<c.d+e@[192.0.2.1]>"};
        QTest::newRow("comments and words around") << QByteArray("(first) <a@x.jp> (<not@this.jp>) \"<nor@this.jp>\" b")
                                                    << QList<QByteArray>{"<a@x.jp>"};
        QTest::newRow("obsolete blanks inside") << QByteArray("< a @ x.jp >") << QList<QByteArray>{"<a@x.jp>"};
        QTest::newRow("not identifiers") << QByteArray("<noat> <two@@x.jp> <@x.jp> <a@> <a\x01@x.jp> <unclosed@x.jp")
                                         << QList<QByteArray>{};
        QTest::newRow("too long") << "<" + QByteArray(300, 'a') + "@x.jp>" << QList<QByteArray>{};
    }
    void identifiersAreReadFromFieldValues()
    {
        QFETCH(QByteArray, value);
        QFETCH(QList<QByteArray>, ids);
        QCOMPARE(nmail::messageIds(value), ids);
    }

    void fieldsAreFoundWhateverTheirCaseAndFolding()
    {
        const QByteArray header = "Received: from x\r\n\tby y\r\nmessage-id:\r\n <m@x.jp>\r\nSubject: s\r\n"
                                  "Message-ID: <second@x.jp>";
        QCOMPARE(nmail::headerField(header, "Message-ID"), QByteArray("<m@x.jp>"));
        QCOMPARE(nmail::headerField(header, "subject"), QByteArray("s"));
        QVERIFY(nmail::headerField(header, "References").isEmpty());
    }

    void aReplyNamesTheParentAndItsThread_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<ReplyThread>("thread");
        QTest::newRow("first of a thread") << QByteArray("Message-ID: <p@x.jp>\r\n")
                                           << ReplyThread{"<p@x.jp>", {"<p@x.jp>"}};
        QTest::newRow("with references")
            << QByteArray("References: <a@x.jp> <b@x.jp>\r\nIn-Reply-To: <b@x.jp>\r\nMessage-ID: <p@x.jp>\r\n")
            << ReplyThread{"<p@x.jp>", {"<a@x.jp>", "<b@x.jp>", "<p@x.jp>"}};
        QTest::newRow("in-reply-to without references")
            << QByteArray("In-Reply-To: <b@x.jp>\r\nMessage-ID: <p@x.jp>\r\n")
            << ReplyThread{"<p@x.jp>", {"<b@x.jp>", "<p@x.jp>"}};
        QTest::newRow("in-reply-to naming two is no thread")
            << QByteArray("In-Reply-To: <b@x.jp> <c@x.jp>\r\nMessage-ID: <p@x.jp>\r\n")
            << ReplyThread{"<p@x.jp>", {"<p@x.jp>"}};
        QTest::newRow("no message-id keeps the parent's references")
            << QByteArray("References: <a@x.jp>\r\n") << ReplyThread{{}, {"<a@x.jp>"}};
        QTest::newRow("nothing") << QByteArray("Subject: x\r\n") << ReplyThread{};
    }
    void aReplyNamesTheParentAndItsThread()
    {
        QFETCH(QByteArray, header);
        QFETCH(ReplyThread, thread);
        QCOMPARE(nmail::replyThreadOf(header), thread);
    }

    void aLongThreadKeepsItsFirstAndLatest()
    {
        QByteArray references = "References:";
        for (int i = 1; i <= 30; ++i)
            references += " <m" + QByteArray::number(i) + "@x.jp>";
        const ReplyThread thread = nmail::replyThreadOf(references + "\r\nMessage-ID: <p@x.jp>\r\n");
        QCOMPARE(thread.references.size(), 20);
        QCOMPARE(thread.references.first(), QByteArray("<m1@x.jp>"));
        QCOMPARE(thread.references.at(1), QByteArray("<m13@x.jp>"));
        QCOMPARE(thread.references.last(), QByteArray("<p@x.jp>"));
    }

    void headerLinesAreFolded()
    {
        QCOMPARE(nmail::replyHeaderLines({}), QByteArray());
        const QByteArray id(40, 'i');
        const ReplyThread thread{"<p@x.jp>", {"<" + id + "@x.jp>", "<" + id + "@y.jp>", "<p@x.jp>"}};
        QCOMPARE(nmail::replyHeaderLines(thread),
                 "In-Reply-To: <p@x.jp>\r\nReferences: <" + id + "@x.jp>\r\n <" + id + "@y.jp> <p@x.jp>\r\n");
        for (const QByteArray& line : nmail::replyHeaderLines(thread).split('\n'))
            QVERIFY(line.size() <= 79);
    }
};

QTEST_APPLESS_MAIN(MessageIdsTest)
#include "tst_MessageIds.moc"
