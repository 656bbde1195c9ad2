#pragma once
// Mails stored by a check whose end the server did not confirm. POP3 commits deletions only when
// the server acknowledges QUIT; after a broken connection the stored mails may still be on the
// server, and the next check would store them a second time. Their unique ids (UIDL) are kept in
// a small file of the data folder, made durable before the session ends, and the next check
// deletes those mails without storing them again. A server without UIDL gives no ids: its mails
// can then come twice after a break, never be lost.

#include <QByteArray>
#include <QSet>
#include <QString>

class UnconfirmedDeletions {
public:
    // The ids kept in the file at path for the account (user and server); ids kept for another
    // account do not count.
    UnconfirmedDeletions(QString path, QString account);

    bool contains(const QByteArray& uidl) const { return !uidl.isEmpty() && ids_.contains(uidl); }
    // An id whose deletion this check asks for (a mail stored now, or one stored before).
    void add(const QByteArray& uidl);
    bool isEmpty() const { return ids_.isEmpty(); }

    // Writes the ids and makes them durable before the server is told to commit; false with a
    // reason when they could not be written.
    bool save(QString* error) const;
    // The server confirmed every deletion: nothing is unconfirmed any more.
    void forget();

private:
    QString path_;
    QString account_;
    QSet<QByteArray> ids_;
};
