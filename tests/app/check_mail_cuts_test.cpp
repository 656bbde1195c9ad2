// "受信" over a connection that breaks: a proxy between the mail check and the real Dovecot
// cuts the connection at a pseudo-random byte, in either direction, anywhere in the session.
// After every check each mail must be on the server or whole in the received history; none may
// be lost, no record may hold a mail in part or a mail that never came, and a mail stored and
// then cut off before the server committed its deletion must not be stored a second time.
//
// TESSALY_CUTS sets how many cuts to make (default 40) and TESSALY_CUTS_SEED the seed; the
// figures are printed as "cuts tried, mails lost, duplicates".

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "mail/MailOptions.h"
#include "mail/NMailSession.h"
#include "settings/SettingsFiles.h"
#include "settings/TrustPrompt.h"
#include "store/HistoryFile.h"
#include "CuttingProxy.h"
#include "MailServers.h"
#include "ScriptedServer.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"
#include "CheckMailProgram.h"

#include <QRandomGenerator>
#include <QSet>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <memory>

namespace {

const QString User = QStringLiteral("cuts");
constexpr int MailboxSize = 20;
// A mailbox that is still not empty after this many cut checks is emptied without a cut.
constexpr int CutsPerMailbox = 40;

int setting(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

QString mailId(int mailbox, int n) { return QStringLiteral("cut-%1-%2").arg(mailbox).arg(n); }

// Bodies of different lengths, so that cuts land in small and large mails alike.
QByteArray mailBody(const QString& id, int n)
{
    QByteArray body;
    for (int line = 0; line < 4 + (n * 7) % 41; ++line)
        body += id.toLatin1() + " line " + QByteArray::number(line) + ": the quick brown fox jumps over the lazy dog\r\n";
    return body + "end of " + id.toLatin1() + "\r\n";
}

QByteArray mail(const QString& id, const QByteArray& body)
{
    return "From: sender@example.jp\r\nTo: cuts@example.jp\r\nSubject: " + id.toLatin1()
        + "\r\nMessage-ID: <" + id.toLatin1() + "@cuts.test>\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\n"
        + body;
}

// The scripted server's dialogue: the greeting and capabilities, and a login with USER/PASS.
const QByteArrayList Login = {"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: .",
                              "C: USER tessa", "S: +OK", "C: PASS secret", "S: +OK logged in"};

// One check against a scripted server in a program folder of its own: the records stored and
// the messages shown.
struct ScriptedCheck {
    QList<store::HistoryRecord> records;
    QStringList messages;
};

ScriptedCheck checkAgainst(const ScriptedServer& server)
{
    TempProgramFolder program;
    ScriptedSeams seams;
    ScriptedFileDialogs files;
    ProgramState state(program.folder());
    state.account.Pop3Server = server.address();
    SaveAccount(program.folder(), QStringLiteral("tessa"), QStringLiteral("secret"), true);
    // The scripted server speaks no TLS: the user agreed to the password in clear before.
    useTrustedCertificatesOf(program.folder());
    nmail::NMailAllowUnencryptedLogin(server.address());
    {
        Forms forms(state, seams.seams(), files);
        CheckMail(forms);
    }
    ScriptedCheck result;
    const QString path = store::historyPath(program.folder(), store::HistoryKind::Received);
    for (int n = 1; n <= store::recordCount(path); ++n)
        result.records.append(*store::readRecord(path, n));
    for (const ShownMessage& shown : seams.messages.shown)
        result.messages.append(shown.text);
    return result;
}

// What the mailbox held and what reached the history, mail by mail.
class Ledger {
public:
    void expect(const QString& id, const QByteArray& body) { bodies_.insert(id, QString::fromLatin1(body).trimmed()); }

    // Reads the records added since the last call; a record must be a whole known mail.
    void readNewRecords(const QString& path)
    {
        if (QFileInfo(path).size() % store::HistoryRecordSize != 0)
            faults_.append(QStringLiteral("history ends in a partial record"));
        for (const int count = store::recordCount(path); seen_ < count;) {
            const std::optional<store::HistoryRecord> record = store::readRecord(path, ++seen_);
            const QString id = record ? record->Subject.trimmed() : QString();
            if (!bodies_.contains(id) || !record->Body.contains(bodies_.value(id)))
                faults_.append(QStringLiteral("record %1 is not a whole mail: \"%2\"").arg(seen_).arg(id));
            else
                ++stored_[id];
        }
    }

    // Notes every expected mail that is neither on the server nor stored.
    void checkNoneLost(const QSet<QString>& onServer, const QString& when)
    {
        for (auto it = bodies_.cbegin(); it != bodies_.cend(); ++it) {
            if (!onServer.contains(it.key()) && stored_.value(it.key()) == 0 && !lost_.contains(it.key())) {
                lost_.insert(it.key());
                faults_.append(QStringLiteral("%1 lost %2").arg(it.key(), when));
            }
        }
    }

    int lost() const { return static_cast<int>(lost_.size()); }
    int duplicates() const
    {
        int extra = 0;
        for (const int count : stored_)
            extra += std::max(0, count - 1);
        return extra;
    }
    int stored(const QString& id) const { return stored_.value(id); }
    const QStringList& faults() const { return faults_; }

private:
    QHash<QString, QString> bodies_;
    QHash<QString, int> stored_;
    QSet<QString> lost_;
    QStringList faults_;
    int seen_ = 0;
};

}  // namespace

class CheckMailCutsTest : public QObject {
    Q_OBJECT

    MailServers servers;
    std::unique_ptr<CuttingProxy> proxy;
    std::unique_ptr<CheckMailProgram> p;
    Ledger ledger;
    int mailboxes = 0;
    // Bytes of a whole check per direction: for an empty mailbox and for a full one.
    qint64 emptyCheck[2] = {0, 0};
    qint64 fullCheck[2] = {0, 0};

    // The subjects of the mails on the server. Dovecot may still be moving a cut session's mails
    // from new/ to cur/ while they are read: a file that went in between is read again.
    QSet<QString> idsOnServer() const
    {
        for (int attempt = 0;; ++attempt) {
            QSet<QString> ids;
            bool complete = true;
            for (const QString& path : servers.mails(User)) {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly)) {
                    complete = false;
                    continue;
                }
                const QByteArray text = file.readAll();
                const qsizetype at = text.indexOf("\r\nSubject: ");
                if (at >= 0)
                    ids.insert(QString::fromLatin1(text.mid(at + 11, text.indexOf('\r', at + 11) - at - 11)));
            }
            if (complete || attempt == 20)
                return ids;
            QThread::msleep(50);
        }
    }

    void fillMailbox()
    {
        ++mailboxes;
        for (int n = 1; n <= MailboxSize; ++n) {
            const QString id = mailId(mailboxes, n);
            const QByteArray body = mailBody(id, n);
            ledger.expect(id, body);
            servers.deliver(User, mail(id, body));
        }
    }

    // One mail check through the proxy; the ledger is brought up to date afterwards.
    CuttingProxy::Run check(CuttingProxy::Direction direction, std::optional<qint64> offset)
    {
        proxy->arm(direction, offset);
        CheckMail(p->forms);
        const CuttingProxy::Run run = proxy->finish();
        ledger.readNewRecords(store::historyPath(p->program.folder(), store::HistoryKind::Received));
        ledger.checkNoneLost(idsOnServer(), QStringLiteral("by a check cut at %1 byte %2")
                                                .arg(direction == CuttingProxy::ServerToClient ? "server byte" : "client byte")
                                                .arg(offset.value_or(-1)));
        return run;
    }

    // A cut somewhere in a whole check of the mails left, or a little past its end.
    qint64 cutOffset(QRandomGenerator& random, CuttingProxy::Direction d, qsizetype mailsLeft) const
    {
        const qint64 whole = emptyCheck[d] + (fullCheck[d] - emptyCheck[d]) * mailsLeft / MailboxSize;
        return static_cast<qint64>(random.bounded(static_cast<quint64>(whole + whole / 10 + 1)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture is not running");
        nmail::options().caFile = servers.caFile();
        nmail::options().timeout = std::chrono::seconds(10);
        servers.empty(User);
        proxy = std::make_unique<CuttingProxy>(servers.port("POP3_PORT"));
        p = std::make_unique<CheckMailProgram>(QStringLiteral("127.0.0.1:%1").arg(proxy->port()));
        QVERIFY(SaveAccount(p->program.folder(), User, MailServers::password(User), true).ok);
        // run-cuts.sh also runs this over servers without TLS.
        p->allowUnencryptedLogin(p->state.account.Pop3Server);
    }

    // Also measures how many bytes a whole check moves, so cuts can be spread over it.
    void uncutProxyPassesAWholeCheck()
    {
        const CuttingProxy::Run empty = check(CuttingProxy::ServerToClient, std::nullopt);
        QVERIFY(empty.settled);
        QVERIFY(empty.connections >= 1);
        fillMailbox();
        const CuttingProxy::Run full = check(CuttingProxy::ServerToClient, std::nullopt);
        QVERIFY(full.settled);
        QVERIFY(!full.cut);
        QVERIFY(servers.mails(User).isEmpty());
        for (int n = 1; n <= MailboxSize; ++n)
            QCOMPARE(ledger.stored(mailId(mailboxes, n)), 1);
        QCOMPARE(ledger.faults(), QStringList());
        QVERIFY(p->seams.messages.shown.isEmpty());
        for (const int d : {0, 1}) {
            emptyCheck[d] = empty.bytes[d];
            fullCheck[d] = full.bytes[d];
            QVERIFY(fullCheck[d] > emptyCheck[d]);
        }
    }

    // A listing cut inside a line would give its last mail the size of a fragment, and a
    // fetch cut at that size would pass for the whole mail.
    void listingCutInALineEndsTheCheck()
    {
        ScriptedServer server({Login + QByteArrayList{"C: LIST", "S: +OK", "S: 1 36", "P: 2 3", "DROP"}});
        const ScriptedCheck result = checkAgainst(server);
        QCOMPARE(result.records.size(), 0);
        QCOMPARE(result.messages.size(), 1);
        QVERIFY2(result.messages.first().contains(QStringLiteral("一覧")), qPrintable(result.messages.first()));
    }

    void cutsLoseNoMailAndStoreNoneInPart()
    {
        QVERIFY(fullCheck[0] > 0);
        const int wanted = setting("TESSALY_CUTS", 40);
        const auto seed = static_cast<quint32>(setting("TESSALY_CUTS_SEED", 8));
        QRandomGenerator random(seed);
        int cuts = 0;
        int checks = 0;
        while (cuts < wanted) {
            fillMailbox();
            for (int tries = 0; !servers.mails(User).isEmpty(); ++tries) {
                const auto direction = static_cast<CuttingProxy::Direction>(random.bounded(2));
                std::optional<qint64> offset;
                if (tries < CutsPerMailbox)
                    offset = cutOffset(random, direction, servers.mails(User).size());
                const CuttingProxy::Run run = check(direction, offset);
                QVERIFY2(run.settled, "a connection through the proxy did not end");
                cuts += run.cut ? 1 : 0;
                ++checks;
            }
        }
        std::printf("cuts tried: %d, mails lost: %d, duplicates: %d (%d mails, %d checks, seed %u)\n",
                    cuts, ledger.lost(), ledger.duplicates(), mailboxes * MailboxSize, checks, seed);
        std::fflush(stdout);
        QVERIFY2(ledger.faults().isEmpty(), qPrintable(ledger.faults().mid(0, 10).join(u'\n')));
        QCOMPARE(ledger.duplicates(), 0);
    }

    void cleanupTestCase()
    {
        p.reset();
        servers.empty(User);
    }
};

QTEST_MAIN(CheckMailCutsTest)
#include "check_mail_cuts_test.moc"
