#pragma once
// The durable part of "受信": every mail of a logged-in POP3 session taken into the received
// history so that none is lost and none is stored twice, whenever the connection breaks, the
// disk fills or the program is killed.
//
// For each mail, in this order: a journal line that names the mail, its attachment files (each
// journalled as it is created), the server's copy when the record cannot hold it all, a journal
// line that names the record to come and its digest, the record itself and DELE. Records are
// written in batches, each once the journal lines that announce it are durable, and a mail's
// DELE follows its record; everything is made durable again before QUIT, which is when the
// server commits the deletions. The journal (ReceiveJournal.h) tells the next check which mails
// on the server are already in the history.
//
// A mail that cannot be stored (a file that cannot be written, a part refused by the server)
// stays on the server and the check goes on with the next one; a full disk, a full history or a
// broken session end the check.

#include "app/receive/ReceiveJournal.h"
#include "history/HistoryLoading.h"
#include "store/HistoryRecord.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ScratchFile;

struct ReceivePlaces {
    QString dataFolder;
    QString attachmentFolder;
    QString historyPath;
    QString journalPath;
    QString account;  // "user@server": whose mailbox the journal speaks of
};

// What the window hears while the check runs.
struct ReceiveListener {
    std::function<void(int n, int count)> progress;
    // A mail whose record reached the history, with its number there.
    std::function<void(const history::ReceivedMail&, int record)> stored;
    // Something to tell the user at once about one mail (a split mail whose parts are missing).
    std::function<void(const QString&)> tell;
};

struct ReceiveOutcome {
    int stored = 0;
    int attachmentFlag = 0;  // of the last mail stored: its text named an attachment
    QStringList skipped;     // mails left on the server, each with its sender, subject and why
    QString failure;         // why the check ended short or could not end cleanly; empty if not
};

class ReceiveWorkflow {
public:
    ReceiveWorkflow(ReceivePlaces places, store::HistoryRecord& receivedRecord, ReceiveListener listener);
    ~ReceiveWorkflow();

    // Takes the count mails of the logged-in session handle and ends the session: with QUIT
    // when everything stored is on the disk, else without, so that the server keeps every mail.
    ReceiveOutcome run(int handle, int count);

private:
    enum class Step { Done, Skipped, Stop };
    struct PendingRecord {
        int mailNumber;  // on the server
        int number;      // in the history
        QByteArray bytes;
        store::HistoryRecord record;
        history::ReceivedMail mail;
        int attachmentFlag;
    };

    bool prepare();
    bool deleteStoredBefore(int handle, int count);
    // Stores mail n: journals it, fetches it and goes on in keep().
    Step store(int handle, int n);
    // Expands its attachments, keeps the server's copy when needed, plans its record, asks DELE.
    Step keep(QList<JournalledFile>& created, int handle, int n, int number);
    // Journals a file about to be named for the mail being stored.
    void noteFile(QList<JournalledFile>& created, const JournalledFile& file);
    // The mail stays on the server and the check goes on; the files named for it are removed.
    Step skip(const QString& why, const QList<JournalledFile>& created);
    // The check ends here.
    Step stop(const QString& why, const QList<JournalledFile>& created = {});
    bool askDeletion(int handle, int n);
    // Writes the records waiting in memory, each followed by the DELE of its mail.
    bool writePendingRecords(int handle);
    QString journalFailure(const QString& error) const;
    void finish(int handle);
    QString currentMail() const;

    ReceivePlaces places_;
    store::HistoryRecord& receivedRecord_;
    ReceiveListener listener_;
    ReceiveJournal journal_;
    QList<JournalledMail> carried_;
    std::unique_ptr<ScratchFile> scratch_;
    std::vector<PendingRecord> pending_;
    std::vector<char> subject_, date_, sender_, header_, text_;
    std::vector<QByteArray> uidls_;  // by mail number
    QSet<int> storedBefore_;         // mails in the history already, deleted without storing
    QString journalError_;
    ReceiveOutcome outcome_;
    int firstPendingNumber_ = 0;  // the history's next record number when pending_ began
    int deletionsAsked_ = 0;
    bool journalStarted_ = false;
    bool keepJournal_ = false;  // a mail stored now or before stays on the server
};
