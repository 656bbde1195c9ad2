#pragma once
// Writing history files for the viewer's tests: whole records through the record layout, which
// the store's own tests pin down byte by byte.

#include "store/HistoryFile.h"

#include <QTest>

struct MailFields {
    QString subject;
    QString date;
    QString address;
    QString body;
};

inline store::HistoryRecord recordOf(const MailFields& mail, store::HistoryKind kind)
{
    store::HistoryRecord record;
    record.Subject = mail.subject;
    record.setDateField(kind, mail.date);
    record.setAddressField(kind, mail.address);
    record.Body = mail.body;
    return record;
}

inline void writeHistory(const QString& path, store::HistoryKind kind, const QList<MailFields>& mails)
{
    int number = 1;
    for (const MailFields& mail : mails)
        QVERIFY(store::writeRecord(path, number++, recordOf(mail, kind)).ok);
}
