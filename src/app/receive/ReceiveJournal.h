#pragma once
// What a mail check did to the disk, written before it is done, so that the next check knows it
// even when this one was killed at any byte or the server never confirmed its end.
//
// A POP3 server commits deletions only when it acknowledges QUIT. A check that ends before that
// (a broken connection, a lost "+OK", the program killed, the power gone) leaves every mail on
// the server, some of them stored already. Storing them again would duplicate them; deleting
// a mail because its UIDL was seen before loses mail when a server gives two mails the same UIDL
// or reuses ids once mails are gone. So each mail stored is journalled with what identifies it
// (UIDL, listed size and a digest of its header block), the files created for it, and the
// record it is to become with a digest of that record's bytes. The next check deletes a mail
// without storing it only when all three identifying values match and the history really holds
// that record; anything less and the mail is stored again (a duplicate is better than a loss),
// after the files of the unfinished attempt are removed.
//
// The file is a few text lines in the data folder, readable by the user only:
//   tessaly receive journal 1
//   account <user@server, percent-encoded>
//   mail <UIDL in hex> <listed size> <SHA-256 of the header lines in hex>
//   file <name in the attachment folder, percent-encoded> <inode>   (any number, after their mail)
//   record <number> <SHA-256 of the record's bytes in hex>      (at most one, after its files)

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

struct MailIdentity {
    QByteArray uidl;
    qint64 listedSize = -1;
    QByteArray headerDigest;  // hex
    friend bool operator==(const MailIdentity&, const MailIdentity&) = default;
};

// A file about to get its name in the attachment folder: the inode tells it from another file
// that may have had the name already.
struct JournalledFile {
    QString name;
    quint64 inode = 0;
    friend bool operator==(const JournalledFile&, const JournalledFile&) = default;
};

struct JournalledMail {
    MailIdentity identity;
    QList<JournalledFile> files;  // named in the attachment folder while it was stored
    int record = 0;     // the record it was to become; 0 when it got that far
    QByteArray recordDigest;
};

class ReceiveJournal {
public:
    // Reads what an earlier check of the same account (user and server) left at path; entries
    // of another account do not count.
    ReceiveJournal(QString path, QString account);

    // The mails an earlier check journalled, in order.
    const QList<JournalledMail>& earlier() const { return earlier_; }

    // Starts this check's journal with the earlier mails that are still worth knowing (their
    // records are in the history). False with a reason when the file cannot be written: the
    // check must then store nothing, for it could not tell later what it stored.
    bool start(const QList<JournalledMail>& carried, QString* error);

    // Each line reaches the file before the step it announces is taken: a file's name before the
    // file gets it, a mail's and its record's lines before the record is written (sync). False
    // with a reason on a write failure.
    bool beginMail(const MailIdentity& identity, QString* error);
    bool fileNaming(const JournalledFile& file, QString* error);
    bool recordPlanned(int number, const QByteArray& recordDigest, QString* error);

    // Writes the lines that wait and makes every line durable: before records are written, so
    // that a record on the disk is always announced by a line on the disk.
    bool sync(QString* error);

    // The server confirmed every deletion: nothing needs to be known any more.
    void forget();

    static QByteArray recordDigest(const QByteArray& recordBytes);

private:
    bool flush(QString* error);

    QString path_;
    QString account_;
    QList<JournalledMail> earlier_;
    QFile file_;
    QByteArray waiting_;  // lines not yet in the file
};
