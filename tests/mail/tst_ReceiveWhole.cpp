// Mail fetched from the real Dovecot through the library as the mail check calls it: the size it
// reports holds the whole decoded text, a text that still does not fit is reported cut, and the
// attachment lines name the files as written.

#include "MailBuffers.h"
#include "MailCorpus.h"
#include "MailServers.h"
#include "TempProgramFolder.h"
#include "mail/MailLoss.h"
#include "mail/MailOptions.h"

#include <QTest>

using namespace nmail;

namespace {

const QString User = QStringLiteral("whole");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class ReceiveWholeTest : public QObject {
    Q_OBJECT

    MailServers servers;
    int handle = -1;
    QString failure;  // why the last fetch did not happen

    // Logs in and fetches mail 1 with a text buffer of the reported size, or of textSize bytes.
    MailBuffers fetchFirst(int textSize = -1)
    {
        MailBuffers b;
        handle = NMailPop3Connect(sjis(servers.server("POP3_PORT")));
        const int count = handle < 0 ? -1 : NMailPop3Authenticate(handle, sjis(User), sjis(MailServers::password(User)), 0);
        if (count != 1) {
            failure = QStringLiteral("login gave %1: %2").arg(count).arg(lastMailError());
            return b;
        }
        NMailPop3GetMailStatus(handle, 1, b.subject, b.date, b.sender, b.header, 0);
        const int size = textSize >= 0 ? textSize : NMailPop3GetMailSize(handle, 1) + 1;
        b.text.assign(static_cast<size_t>(size), 'X');
        NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0);
        failure.clear();
        return b;
    }

    int expand(MailBuffers& b, const QString& folder)
    {
        const std::string whole = std::string(b.header.data()) + "\r\n" + b.text.data() + "\r\n";
        return NMailAttachmentFileFirst(0, b.subject, b.date, b.sender, b.header, b.text, sjis(folder + u'\\'),
                                        sjis(folder + QStringLiteral("\\0.txt")), whole, 0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        NMailInitializeWinSock();
        NMailSetOption(1, 8192);
        options().timeout = std::chrono::seconds(5);
        options().caFile = servers.caFile();
    }
    void init()
    {
        servers.empty(User);
        failure = QStringLiteral("not fetched");
    }
    void cleanup()
    {
        NMailAttachmentFileClose(0);
        if (handle >= 0)
            NMailPop3Close(handle);
        handle = -1;
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    // A one-byte charset doubles in code page 932: the server's size cannot hold the text.
    void sizeHoldsTextThatGrowsInDecoding()
    {
        servers.deliver(User, corpus::stored("rfc2045-2049/koi8r-text-longer-than-listed-size.eml"));
        const MailBuffers b = fetchFirst();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(b.subjectText(), QStringLiteral("Длинное письмо"));
        QVERIFY2(b.bodyText().endsWith(QStringLiteral("Строка 084: Съешь же ещё этих мягких французских булок, "
                                                      "да выпей чаю.\r\nПоследняя строка письма.\r\n")),
                 qPrintable(b.bodyText().right(200)));
        QCOMPARE(NMailLastMailLoss(), 0);
    }

    void textTooLongForItsBufferIsReportedCut()
    {
        servers.deliver(User, corpus::stored("rfc2045-2049/koi8r-text-longer-than-listed-size.eml"));
        const MailBuffers b = fetchFirst(1000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(b.bodyText().startsWith(QStringLiteral("Строка 001")));
        QCOMPARE(NMailLastMailLoss(), int(MailLoss::TextCut));
    }

    // The text is given back after the expansion with the names the files were written under.
    void attachmentLinesNameTheWrittenFiles()
    {
        servers.deliver(User, corpus::stored("rfc2045-2049/encoded-attachment-names.eml"));
        TempProgramFolder program;
        const QString folder = program.file(QStringLiteral("添付フォルダ"));
        program.write(QStringLiteral("添付フォルダ/報告書①.pdf"), "an older file");
        MailBuffers b = fetchFirst();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(b.bodyText().contains(QStringLiteral("filename=\"報告書①.pdf\"")));
        QCOMPARE(expand(b, folder), 1);
        QVERIFY2(b.bodyText().contains(QStringLiteral("Content-Type: application/pdf\r\n"
                                                      "Content-Disposition: attachment; filename=\"報告書① (2).pdf\"")),
                 qPrintable(b.bodyText()));
        QVERIFY(b.bodyText().contains(QStringLiteral("filename=\"報告書①.pdf.txt\"")));
        QCOMPARE(readFile(folder + QStringLiteral("/報告書① (2).pdf")), QByteArray("%PDF-1.4 first"));
        QCOMPARE(readFile(folder + QStringLiteral("/報告書①.pdf")), QByteArray("an older file"));
        QCOMPARE(NMailLastMailLoss(), 0);
    }
};

QTEST_GUILESS_MAIN(ReceiveWholeTest)
#include "tst_ReceiveWhole.moc"
