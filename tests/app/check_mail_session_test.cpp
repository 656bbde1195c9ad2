// "受信" and the POP3 session around it: a check that cannot reach, greet or log in says so and
// does not read as an empty mailbox; a certificate the system does not vouch for is put to the
// user before anything is fetched; the ordinary login works where the greeting offers APOP; the
// window shows how far the check is; and a mail stored in a check whose end the server never
// confirmed is deleted by the next check without being stored twice.

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "mail/MailOptions.h"
#include "mail/trust/ServerSecurity.h"
#include "settings/TrustPrompt.h"
#include "settings/SettingsFiles.h"
#include "store/HistoryFile.h"
#include "CheckMailProgram.h"
#include "MailServers.h"
#include "ScriptedServer.h"

#include <QLabel>
#include <QtTest>

#include <memory>

namespace {

const QString User = QStringLiteral("session");

QByteArray plainMail(const QByteArray& subject)
{
    return "From: sender@example.jp\r\nSubject: " + subject + "\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\ntext\r\n";
}

// Collects every text the label shows when it is painted.
class PaintedTexts : public QObject {
public:
    explicit PaintedTexts(QLabel* label) : label_(label) { label->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && (texts.isEmpty() || texts.back() != label_->text()))
            texts.append(label_->text());
        return false;
    }
    QStringList texts;

private:
    QLabel* label_;
};

}  // namespace

class CheckMailSessionTest : public QObject {
    Q_OBJECT

    MailServers servers;
    std::unique_ptr<CheckMailProgram> p;

    int records() const
    {
        return store::recordCount(store::historyPath(p->program.folder(), store::HistoryKind::Received));
    }
    QString label() { return p->forms.mainForm().Label2->text(); }
    void useServer(const QString& server, const QString& user)
    {
        p = CheckMailProgram::withAccount(server, user, User);
        QVERIFY(p);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture is not running");
        CheckMailProgram::useTestServers(servers);
    }
    void init()
    {
        servers.empty(User);
        useServer(servers.server("POP3_PORT"), User);
    }
    void cleanup() { p.reset(); }

    void unreachableOrRefusingServerIsAFailure_data()
    {
        QTest::addColumn<QByteArrayList>("script");  // empty: nothing listens
        QTest::newRow("nothing listens") << QByteArrayList{};
        QTest::newRow("greeting refused") << QByteArrayList{"S: -ERR [SYS/TEMP] maintenance"};
    }
    void unreachableOrRefusingServerIsAFailure()
    {
        QFETCH(QByteArrayList, script);
        std::unique_ptr<ScriptedServer> server;
        if (!script.isEmpty())
            server = std::make_unique<ScriptedServer>(QList<QByteArrayList>{script});
        useServer(server ? server->address() : QStringLiteral("127.0.0.1:1"), User);
        CheckMail(p->forms);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QCOMPARE(p->seams.messages.shown.first().title, QStringLiteral("エラー"));
        QVERIFY2(p->seams.messages.shown.first().text.contains(server ? QStringLiteral("maintenance") : QStringLiteral("127.0.0.1:1")),
                 qPrintable(p->seams.messages.shown.first().text));
        QCOMPARE(label(), QStringLiteral("受信できませんでした。"));
    }

    // The user sees the certificate before a single command goes over the connection; trusted
    // once, it is used without a question from then on.
    void untrustedCertificateIsAskedAboutOnce()
    {
        servers.deliver(User, plainMail("trusted"));
        nmail::options().caFile.clear();  // the system store does not know the test CA
        p->seams.messages.answers.enqueue(MessageAnswer::No);
        CheckMail(p->forms);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QCOMPARE(p->seams.messages.shown.first().buttons, MessageButtons::YesNo);
        QVERIFY2(p->seams.messages.shown.first().text.contains(QStringLiteral("SHA-256")),
                 qPrintable(p->seams.messages.shown.first().text));
        QCOMPARE(label(), QStringLiteral("受信できませんでした。"));
        QCOMPARE(servers.mails(User).size(), 1);

        CheckMail(p->forms);  // answered Yes
        QCOMPARE(p->seams.messages.shown.size(), 2);
        QCOMPARE(records(), 1);
        QVERIFY(servers.mails(User).isEmpty());

        servers.deliver(User, plainMail("again"));
        CheckMail(p->forms);
        nmail::options().caFile = servers.caFile();
        QCOMPARE(p->seams.messages.shown.size(), 2);
        QCOMPARE(records(), 2);
    }

    // The second server greets with an APOP timestamp for every account; "APOP を使用する" left
    // unticked must still log in with the password.
    void ordinaryLoginOnAServerWhoseGreetingOffersApop()
    {
        servers.deliverToMailutils(User, plainMail("from the second server"));
        useServer(servers.mailutilsServer(), User + QStringLiteral("@localhost"));
        p->seams.messages.answers.enqueue(MessageAnswer::Yes);  // it offers no TLS: the password goes in clear
        CheckMail(p->forms);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QVERIFY2(p->seams.messages.shown.first().text.contains(QStringLiteral("暗号化")),
                 qPrintable(p->seams.messages.shown.first().text));
        QCOMPARE(records(), 1);
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
        QCOMPARE(servers.mailsIn(servers.mailutilsMaildir(User)), QStringList());
    }

    void windowShowsHowFarTheCheckIs()
    {
        for (const char* subject : {"one", "two", "three"})
            servers.deliver(User, plainMail(subject));
        MainForm& main = p->forms.mainForm();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        PaintedTexts painted(main.Label2);
        CheckMail(p->forms);
        QCOMPARE(painted.texts.mid(0, 3), (QStringList{QStringLiteral("受信中 1/3"), QStringLiteral("受信中 2/3"),
                                                       QStringLiteral("受信中 3/3")}));
        QCOMPARE(label(), QStringLiteral("新着メール有り。"));
    }

    // A server that spoke TLS before and offers none now is left before a word of the login,
    // and the refusal comes as a warning: someone may be between the program and the server.
    void serverThatDroppedTlsIsRefusedWithAWarning()
    {
        ScriptedServer server({{"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: UIDL", "S: ."}});
        useServer(server.address(), User);
        useTrustedCertificatesOf(p->program.folder());
        QString error;
        QVERIFY(nmail::ServerSecurity(nmail::options().securityFile).rememberTls(server.address(), &error));
        CheckMail(p->forms);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(server.received(), QByteArrayList{"CAPA"});
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QCOMPARE(p->seams.messages.shown.first().icon, MessageIcon::Warning);
        QCOMPARE(label(), QStringLiteral("受信できませんでした。"));
    }

    // The first check stores the mail but its QUIT goes unanswered, so the server keeps it; the
    // next check finds its unique id, size and header among those stored and deletes it after
    // fetching its header alone.
    void mailStoredBeforeAnUnconfirmedEndIsNotStoredTwice()
    {
        const QByteArrayList login = {"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: UIDL", "S: TOP", "S: .",
                                      "C: USER session", "S: +OK", "C: PASS secret-session", "S: +OK",
                                      "C: LIST", "S: +OK", "S: 1 80", "S: .", "C: UIDL", "S: +OK", "S: 1 uid-a", "S: ."};
        const QByteArray mail = plainMail("once");
        const QByteArray header = mail.left(mail.indexOf("\r\n\r\n") + 4);
        ScriptedServer server({login + QByteArrayList{"C: RETR 1", "S: +OK", "P: " + mail, "S: .",
                                                      "C: DELE 1", "S: +OK", "C: QUIT", "DROP"},
                               login + QByteArrayList{"C: TOP 1 0", "S: +OK", "P: " + header, "S: .",
                                                      "C: DELE 1", "S: +OK", "C: QUIT", "S: +OK"}});
        useServer(server.address(), User);
        p->seams.messages.answers.enqueue(MessageAnswer::Yes);  // a password in clear, asked once
        CheckMail(p->forms);
        QCOMPARE(records(), 1);
        QCOMPARE(p->seams.messages.shown.size(), 2);  // the question, and the end was not confirmed
        CheckMail(p->forms);
        QCOMPARE(records(), 1);
        QCOMPARE(p->seams.messages.shown.size(), 2);
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(label(), QStringLiteral("新着メール無し。"));
    }
};

QTEST_MAIN(CheckMailSessionTest)
#include "check_mail_session_test.moc"
