#pragma once
// The loopback Dovecot, Mailutils, popa3d and SMTP servers the "mailservers" CTest fixture
// started, as the tests see them: ports, the test CA, and each user's mailbox for dropping in and
// looking at mail.

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

#include <fcntl.h>

class MailServers {
public:
    MailServers()
    {
        QFile env(QStringLiteral(TESSALY_MAIL_SERVERS_ENV));
        if (!env.open(QIODevice::ReadOnly))
            return;
        for (const QByteArray& line : env.readAll().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                values_.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)).remove(u'"'));
        }
    }

    bool isUp() const { return !values_.isEmpty(); }
    int port(const char* key) const { return values_.value(QString::fromLatin1(key)).toInt(); }
    QString caFile() const { return values_.value(QStringLiteral("CA_FILE")); }
    QString server(const char* key) const { return QStringLiteral("127.0.0.1:%1").arg(port(key)); }

    // A sending suite run with TESSALY_SMTP=postfix or TESSALY_SMTP=exim goes through that private
    // server instead of aiosmtpd: smtpServer gives its listener that plays the part of aiosmtpd's
    // key (SMTP_PORT: mail taken without a login, as on 25; SMTP_AUTH_PORT: only after one, as on
    // 587). Both refuse a bare host name in EHLO and take AUTH only inside TLS.
    static QByteArray privateSmtp() { return qgetenv("TESSALY_SMTP").toUpper(); }
    static bool throughAiosmtpd() { return privateSmtp().isEmpty(); }
    QString smtpServer(const char* key) const
    {
        if (throughAiosmtpd())
            return server(key);
        const bool submission = qstrcmp(key, "SMTP_AUTH_PORT") == 0;
        return server((privateSmtp() + (submission ? "_SUBMISSION_PORT" : "_PORT")).constData());
    }
    static QString password(const QString& user) { return QStringLiteral("secret-") + user; }

    QString maildir(const QString& user) const
    {
        return values_.value(QStringLiteral("HOME_DIR")) + u'/' + user + QStringLiteral("/Maildir");
    }

    // Drops a mail into the user's Maildir the way a delivery agent does: written in tmp/, then
    // renamed into new/. Mails added in one go keep their order.
    void deliver(const QString& user, const QByteArray& mail) const { deliverInto(maildir(user), mail); }
    void deliverInto(const QString& folder, const QByteArray& mail) const
    {
        const QString name = QStringLiteral("%1.%2.test").arg(QDateTime::currentMSecsSinceEpoch(), 15, 10, QChar(u'0')).arg(++counter_, 6, 10, QChar(u'0'));
        const QString tmp = folder + QStringLiteral("/tmp/") + name;
        QFile f(tmp);
        if (f.open(QIODevice::WriteOnly) && f.write(mail) == mail.size() && f.flush())
            f.close();
        QFile::rename(tmp, folder + QStringLiteral("/new/") + name);
    }

    // The second POP3 server (GNU Mailutils pop3d): its port, and a user's mailbox there, where
    // mail is kept with LF line ends as a delivery agent writes it. Its users log in as
    // "user@localhost".
    QString mailutilsServer() const { return QStringLiteral("127.0.0.1:%1").arg(port("MAILUTILS_POP3_PORT")); }
    QString mailutilsMaildir(const QString& user) const
    {
        return values_.value(QStringLiteral("MAILUTILS_HOME_DIR")) + u'/' + user + QStringLiteral("/INBOX");
    }
    void deliverToMailutils(const QString& user, QByteArray mail) const
    {
        deliverInto(mailutilsMaildir(user), mail.replace("\r\n", "\n"));
    }

    // The third POP3 server (popa3d): its port, and a user's mailbox there, one mbox file that
    // popa3d rewrites in place when it deletes mail. Mail goes in as a delivery agent appends it:
    // under the fcntl lock popa3d takes too, after a "From " line, with LF line ends and a blank
    // line after it, body lines that start with "From " quoted.
    QString popa3dServer() const { return server("POPA3D_POP3_PORT"); }
    QString popa3dMailbox(const QString& user) const
    {
        return values_.value(QStringLiteral("POPA3D_MAIL_DIR")) + u'/' + user;
    }
    bool deliverToPopa3d(const QString& user, QByteArray mail) const
    {
        mail.replace("\r\n", "\n").replace("\nFrom ", "\n>From ");
        if (!mail.endsWith('\n'))
            mail += '\n';
        return withPopa3dMailbox(user, [&](QFile& box) {
            const QByteArray entry = "From sender@example.jp Tue Dec  8 09:00:00 2026\n" + mail + '\n';
            return box.seek(box.size()) && box.write(entry) == entry.size() && box.flush();
        });
    }
    bool emptyPopa3d(const QString& user) const
    {
        return withPopa3dMailbox(user, [](QFile& box) { return box.resize(0); });
    }
    // How many mails the user's popa3d mailbox holds: its "From " lines after blank lines.
    qsizetype popa3dMails(const QString& user) const
    {
        QFile box(popa3dMailbox(user));
        if (!box.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = box.readAll();
        return (text.startsWith("From ") ? 1 : 0) + text.count("\n\nFrom ");
    }

    // Every mail in the user's Maildir (new/ and cur/), once Postfix and exim delivered what they
    // accepted.
    QStringList mails(const QString& user) const { return mailsIn(maildir(user)); }
    QStringList mailsIn(const QString& folder) const
    {
        waitForPrivateQueues();
        QStringList files;
        for (const char* sub : {"/new", "/cur"}) {
            const QString dir = folder + QString::fromLatin1(sub);
            for (const QString& name : QDir(dir).entryList(QDir::Files, QDir::Name))
                files.append(dir + u'/' + name);
        }
        return files;
    }

    // The SMTP server's own copy of a delivered mail, with the envelope (X-Envelope-From and
    // X-Envelope-To: what MAIL FROM and RCPT TO named) before the message.
    QString spoolCopy(const QString& maildirFile) const
    {
        return spoolDir() + u'/' + QFileInfo(maildirFile).fileName() + QStringLiteral(".eml");
    }
    // Every message the SMTP server took (aiosmtpd: for every recipient; Postfix and exim: once).
    qsizetype spooled() const
    {
        if (throughAiosmtpd())
            return QDir(spoolDir()).entryList(QDir::Files).size();
        const bool postfix = privateSmtp() == "POSTFIX";
        QFile log(values_.value(QString::fromLatin1(privateSmtp() + "_LOG")));
        return log.open(QIODevice::ReadOnly) ? log.readAll().count(postfix ? "/cleanup[" : " <= ") : 0;
    }

    // A mailbox that takes mail from the SMTP server without being a POP3 account.
    bool makeMaildir(const QString& user) const
    {
        for (const char* sub : {"/cur", "/new", "/tmp"}) {
            if (!QDir().mkpath(maildir(user) + QString::fromLatin1(sub)))
                return false;
        }
        return true;
    }

    void empty(const QString& user) const
    {
        for (const QString& file : mails(user))
            QFile::remove(file);
    }

private:
    // Postfix and exim deliver a moment after they accepted a mail: waits (ten seconds at most)
    // until their queues hold nothing but what they gave up on.
    void waitForPrivateQueues() const
    {
        const QString postfix = values_.value(QStringLiteral("POSTFIX_QUEUE_DIR"));
        const QString exim = values_.value(QStringLiteral("EXIM_SPOOL_DIR"));
        if (postfix.isEmpty())
            return;
        const QStringList waitingRooms{postfix + QStringLiteral("/incoming"), postfix + QStringLiteral("/active"),
                                       postfix + QStringLiteral("/maildrop"), exim + QStringLiteral("/input")};
        for (int tries = 0; tries < 200; ++tries) {
            qsizetype waiting = 0;
            for (const QString& room : waitingRooms)
                waiting += QDir(room).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).size();
            if (waiting == 0)
                return;
            QThread::msleep(50);
        }
    }

    QString spoolDir() const { return values_.value(QStringLiteral("SPOOL_DIR")); }

    // Runs change on the user's popa3d mailbox while holding its write lock. The file is never
    // made anew: popa3d, running as its owner, must still be able to rewrite it.
    bool withPopa3dMailbox(const QString& user, const std::function<bool(QFile&)>& change) const
    {
        QFile box(popa3dMailbox(user));
        if (!box.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
            return false;
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        return ::fcntl(box.handle(), F_SETLKW, &lock) == 0 && change(box);  // closing unlocks
    }

    QHash<QString, QString> values_;
    mutable int counter_ = 0;
};
