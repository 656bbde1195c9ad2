#include "mail/HtmlText.h"

#include <QRegularExpression>

namespace nmail {

namespace {

QString resolveEntity(QStringView name)
{
    static const std::pair<const char16_t*, const char16_t*> named[] = {
        {u"amp", u"&"}, {u"lt", u"<"}, {u"gt", u">"}, {u"quot", u"\""}, {u"apos", u"'"},
        {u"nbsp", u" "}, {u"copy", u"©"}, {u"yen", u"¥"},
    };
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                              ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            const char32_t c = code;
            return QString::fromUcs4(&c, 1);
        }
        return QStringLiteral("?");
    }
    for (const auto& [key, value] : named) {
        if (name.compare(QStringView(key), Qt::CaseInsensitive) == 0)
            return QString::fromUtf16(value);
    }
    return u'&' + name.toString() + u';';
}

}  // namespace

QString htmlToPlainText(QStringView html)
{
    static const QRegularExpression hidden(
        QStringLiteral("<(script|style|head)\\b.*?</\\1\\s*>|<!--.*?-->"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression breaks(
        QStringLiteral("<(br|/p|/div|/tr|/h[1-6]|/li|/table)\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression spaces(QStringLiteral("[ \\t\\r\\n]+"));
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[a-zA-Z]{2,8});"));

    QString text = html.toString();
    text.remove(hidden);
    text.replace(spaces, QStringLiteral(" "));  // source line breaks mean nothing in HTML
    text.replace(breaks, QStringLiteral("\n"));
    text.remove(tags);

    QString out;
    qsizetype last = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        out += resolveEntity(m.capturedView(1));
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);

    QStringList lines = out.split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    return lines.join(QStringLiteral("\r\n")).trimmed();
}

}  // namespace nmail
