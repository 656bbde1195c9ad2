// "受信" against popa3d, a POP3 server of another make than Dovecot and Mailutils: mbox
// mailboxes, no CAPA, and a UIDL that is a digest of a few header lines (the first Received:,
// and Date: and Message-ID: above it), so that mails with alike headers share one. Japanese mail
// arrives byte for byte in its records, and a shared UIDL never lets a check take one mail for
// another. What the server lists is read over a plain socket, the records straight from the
// history file, and their texts encoded by iconv: the program's own code judges nothing here.

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "store/HistoryFile.h"
#include "CheckMailProgram.h"
#include "CuttingProxy.h"
#include "MailCorpus.h"
#include "MailOracle.h"
#include "MailServers.h"

#include <QLabel>
#include <QSet>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

const QString User = QStringLiteral("popa");
const QString Sender = QStringLiteral("山田 <yamada@example.jp>");
const QString Date = QStringLiteral("Tue, 08 Dec 2026 09:30:05 +0900");  // corpus::mail's

// What popa3d lists for the user: the UIDL and the size of each mail, in order.
struct Listing {
    QByteArrayList uidls;
    QByteArrayList sizes;
};

std::optional<Listing> listingOf(const MailServers& servers, const QString& user)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(servers.port("POPA3D_POP3_PORT")));
    if (!socket.waitForConnected(10000))
        return std::nullopt;
    const auto line = [&]() -> QByteArray {
        while (!socket.canReadLine())
            if (!socket.waitForReadyRead(10000))
                return {};
        return socket.readLine().trimmed();
    };
    const auto command = [&](const QByteArray& text) {
        socket.write(text + "\r\n");
        return line().startsWith("+OK");
    };
    // The second words of a multi-line answer's lines ("1 f089473a02b15428": the UIDL).
    const auto secondWords = [&](QByteArrayList& into) {
        for (QByteArray got = line(); got != "."; got = line()) {
            if (got.isEmpty())
                return false;
            into.append(got.mid(got.indexOf(' ') + 1));
        }
        return true;
    };
    Listing listing;
    const bool ok = line().startsWith("+OK") && command("USER " + user.toLatin1())
                    && command("PASS " + MailServers::password(user).toLatin1()) && command("UIDL")
                    && secondWords(listing.uidls) && command("LIST") && secondWords(listing.sizes) && command("QUIT");
    return ok ? std::optional(listing) : std::nullopt;
}

// The 20284 bytes of the received record of a mail: subject, sender, date and text, each in code
// page 932 and padded with spaces to its width, then CR LF and the in-use mark 1.
QByteArray expectedRecord(const QString& subject, const QString& text)
{
    const auto field = [](const QString& value, qsizetype width) {
        return iconvToCp932(value).value_or("(iconv failed)").leftJustified(width, ' ');
    };
    return field(subject, store::SubjectWidth) + field(Sender, store::FieldWidth) + field(Date, store::FieldWidth)
           + field(text, store::BodyWidth) + QByteArray("\r\n\x01\x00", 4);
}

// Delivered by a mail transfer agent that writes its own Received: line, which tells the mails
// apart in popa3d's UIDL.
QByteArray received(int n, const QByteArray& mail)
{
    return "Received: from mx.example.jp by popa3d.test with id " + QByteArray::number(n)
           + "; Tue, 8 Dec 2026 09:30:06 +0900\r\n" + mail;
}

// One of two mails with the same header and the same length, which differ in their text alone.
QByteArray twin(const QString& text)
{
    return received(0, corpus::mail("Subject: " + corpus::word(QStringLiteral("双子"), "ISO-2022-JP")
                                        + "\nMessage-ID: <twin@example.jp>\nMIME-Version: 1.0\n"
                                          "Content-Type: text/plain; charset=ISO-2022-JP",
                                    corpus::encoded(text, "ISO-2022-JP")));
}

}  // namespace

class CheckMailPopa3dTest : public QObject {
    Q_OBJECT

    MailServers servers;
    std::unique_ptr<CheckMailProgram> p;

    // Every record of the received history as the file holds it.
    QByteArrayList recordBytes() const
    {
        QFile history(store::historyPath(p->program.folder(), store::HistoryKind::Received));
        QByteArrayList records;
        if (history.open(QIODevice::ReadOnly))
            for (QByteArray record = history.read(store::HistoryRecordSize); !record.isEmpty();
                 record = history.read(store::HistoryRecordSize))
                records.append(record);
        return records;
    }
    QString label() { return p->forms.mainForm().Label2->text(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.port("POPA3D_POP3_PORT") > 0, "the mailservers fixture runs no popa3d");
        CheckMailProgram::useTestServers(servers);
    }
    void init() { QVERIFY(servers.emptyPopa3d(User)); }
    void cleanup() { p.reset(); }

    void japaneseMailArrivesByteForByte()
    {
        const QList<QByteArray> mails = {corpus::iso2022jp(), corpus::utf8Base64(), corpus::shiftJisQuotedPrintable(),
                                         corpus::eucJp()};
        for (int n = 0; n < mails.size(); ++n)
            QVERIFY(servers.deliverToPopa3d(User, received(n + 1, mails[n])));
        const std::optional<Listing> listing = listingOf(servers, User);
        QVERIFY(listing);
        QCOMPARE(QSet<QByteArray>(listing->uidls.begin(), listing->uidls.end()).size(), mails.size());

        p = CheckMailProgram::withAccount(servers.popa3dServer(), User);
        QVERIFY(p);
        p->allowUnencryptedLogin(servers.popa3dServer());  // popa3d speaks no TLS
        CheckMail(p->forms);
        QCOMPARE(p->shownTexts(), QStringList());
        QCOMPARE(recordBytes(), (QByteArrayList{
            expectedRecord(QStringLiteral("①～テスト"), QStringLiteral("丸数字①と波ダッシュ～です。\r\n二行目\r\n")),
            expectedRecord(QStringLiteral("髙橋からのお知らせ"), QStringLiteral("髙橋です。\r\nUTF-8の本文です。\r\n")),
            expectedRecord(QStringLiteral("シフトJISの本文"), QStringLiteral("シフトJISの本文\r\n")),
            expectedRecord(QStringLiteral("EUCの件名"), QStringLiteral("EUC-JPの本文です。\r\n"))}));
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
        QCOMPARE(servers.popa3dMails(User), 0);

        CheckMail(p->forms);
        QCOMPARE(recordBytes().size(), mails.size());
        QCOMPARE(label(), QStringLiteral("新着メール無し。"));
    }

    // Two mails alike in header and length share popa3d's UIDL. A check cut inside the second,
    // after the first was stored, leaves both on the server, and the journal names the first by
    // UIDL, listed size and header digest: all three fit the second as well. Believing them, the
    // next check would delete the second unread and say "新着メール有り。" for the first alone;
    // only the rule that an id two mails of a listing share proves nothing keeps it.
    void twinsSharingAUidlAreBothStoredAfterACut()
    {
        const QString firstText = QStringLiteral("一通目の本文です。\r\n");
        const QString secondText = QStringLiteral("二通目の本文です。\r\n");
        QVERIFY(servers.deliverToPopa3d(User, twin(firstText)));
        QVERIFY(servers.deliverToPopa3d(User, twin(secondText)));
        const std::optional<Listing> listing = listingOf(servers, User);
        QVERIFY(listing);
        QCOMPARE(listing->uidls.size(), 2);
        QCOMPARE(listing->uidls[0], listing->uidls[1]);
        QCOMPARE(listing->sizes[0], listing->sizes[1]);

        CuttingProxy proxy(servers.port("POPA3D_POP3_PORT"));
        p = CheckMailProgram::withAccount(QStringLiteral("127.0.0.1:%1").arg(proxy.port()), User);
        QVERIFY(p);
        p->allowUnencryptedLogin(p->state.account.Pop3Server);  // popa3d speaks no TLS
        // Cut at the end of the second mail's text, before the line that ends the answer.
        proxy.armAfter(CuttingProxy::ServerToClient, corpus::encoded(secondText, "ISO-2022-JP").chopped(2));
        CheckMail(p->forms);
        const CuttingProxy::Run cut = proxy.finish();
        QVERIFY(cut.cut && cut.settled);
        const QByteArray first = expectedRecord(QStringLiteral("双子"), firstText);
        const QByteArray second = expectedRecord(QStringLiteral("双子"), secondText);
        QCOMPARE(recordBytes(), QByteArrayList{first});
        QCOMPARE(servers.popa3dMails(User), 2);
        QCOMPARE(p->shownTexts().size(), 1);
        QVERIFY2(p->shownTexts().first().contains(QStringLiteral("まだ受信していないメールはサーバーに残してあります")),
                 qPrintable(p->shownTexts().first()));

        proxy.arm(CuttingProxy::ServerToClient, std::nullopt);
        CheckMail(p->forms);
        QVERIFY(proxy.finish().settled);
        const QByteArrayList records = recordBytes();
        QCOMPARE(records.count(second), 1);
        QVERIFY(records.count(first) >= 1 && records.count(first) <= 2);  // the first may come again
        QCOMPARE(records.count(first) + records.count(second), records.size());
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
        QCOMPARE(p->shownTexts().size(), 1);
        QCOMPARE(servers.popa3dMails(User), 0);
    }
};

QTEST_MAIN(CheckMailPopa3dTest)
#include "check_mail_popa3d_test.moc"
