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
    // Reads the ids an earlier check kept in the file at path for the account (user and
    // server); ids kept for another account do not count.
    UnconfirmedDeletions(QString path, QString account);

    // The mail was stored by an earlier check whose deletions the server did not confirm.
    bool storedBefore(const QByteArray& uidl) const { return !uidl.isEmpty() && previous_.contains(uidl); }
    // This check asks for the deletion of the mail (stored now, or stored before).
    void add(const QByteArray& uidl);
    bool isEmpty() const { return current_.isEmpty(); }

    // Writes the ids of this check's deletions and makes them durable, before the server is
    // told to commit them; false with a reason when they could not be written.
    bool save(QString* error) const;
    // The server confirmed every deletion: nothing is unconfirmed any more.
    void forget();

private:
    QString path_;
    QString account_;
    QSet<QByteArray> previous_;
    QSet<QByteArray> current_;
};
