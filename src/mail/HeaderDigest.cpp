#include "mail/HeaderDigest.h"

#include "platform/Digest.h"

namespace nmail {

QByteArray mailHeaderDigest(QByteArrayView mail)
{
    digest::Hash hash(digest::Algorithm::Sha256);
    for (qsizetype start = 0; start < mail.size();) {
        qsizetype end = mail.indexOf('\n', start);
        const qsizetype next = end < 0 ? mail.size() : end + 1;
        if (end < 0)
            end = mail.size();
        QByteArrayView line = mail.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        hash.add(line);
        hash.add("\n");
        start = next;
    }
    return hash.result().toHex();
}

}  // namespace nmail
