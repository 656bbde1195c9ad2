// HTML mail as text: judged against w3m, a text browser this project did not write, on mails of
// the kinds people receive (a shop's newsletter, a login notice, an order, an English digest,
// a letter written in Word), and held to the layout a reader needs: cells apart, every link's
// address kept, list items marked, images by their alt text.

#include "mail/HtmlText.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString HtmlData = QStringLiteral(TESSALY_MAIL_TEST_DATA "/html");

QString readUtf8(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// w3m's page and the addresses of its links ("References:"), as `w3m -dump` sets the file at 80
// columns. Images without alt text are left unnamed (by default w3m names them by their file).
struct W3mDump {
    QString text;
    QStringList links;
};

std::optional<W3mDump> w3mDump(const QString& path)
{
    QProcess w3m;
    w3m.start(QStringLiteral("w3m"), {QStringLiteral("-dump"), QStringLiteral("-T"), QStringLiteral("text/html"),
                                      QStringLiteral("-I"), QStringLiteral("UTF-8"), QStringLiteral("-O"),
                                      QStringLiteral("UTF-8"), QStringLiteral("-cols"), QStringLiteral("80"),
                                      QStringLiteral("-o"), QStringLiteral("pseudo_inlines=0"), QStringLiteral("-o"),
                                      QStringLiteral("display_link_number=1"), path});
    if (!w3m.waitForFinished(30000) || w3m.exitCode() != 0)
        return std::nullopt;
    const QString out = QString::fromUtf8(w3m.readAllStandardOutput());
    const qsizetype references = out.lastIndexOf(QStringLiteral("\nReferences:\n"));
    W3mDump dump{references < 0 ? out : out.left(references), {}};
    dump.text.remove(QRegularExpression(QStringLiteral("\\[\\d+\\]")));  // the link numbers
    // How w3m marks struck-out and inserted text ("[S:5,980円:S]"): its own signs, not the mail's.
    dump.text.remove(QRegularExpression(QStringLiteral("\\[(S|DEL|INS):|:(S|DEL|INS)\\]")));
    static const QRegularExpression link(QStringLiteral("^\\[\\d+\\] (\\S+)$"), QRegularExpression::MultilineOption);
    for (auto it = link.globalMatch(out.mid(std::max<qsizetype>(references, 0))); it.hasNext();)
        dump.links.append(it.next().captured(1));
    return dump;
}

// The letters and digits of a text in their order: what a reader reads, whatever the spacing,
// line breaking, bullets and rules.
QString lettersOf(const QString& text)
{
    QString letters;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isLetterOrNumber(c))
            letters += QString::fromUcs4(&c, 1);
    }
    return letters;
}

// Where two texts first part, with some context, for the failure message.
QString firstDifference(const QString& ours, const QString& theirs)
{
    qsizetype i = 0;
    while (i < ours.size() && i < theirs.size() && ours[i] == theirs[i])
        ++i;
    return QStringLiteral("\n  ours:  …%1\n  w3m's: …%2").arg(ours.mid(std::max<qsizetype>(i - 20, 0), 60),
                                                          theirs.mid(std::max<qsizetype>(i - 20, 0), 60));
}

QStringList lines(const QString& html) { return nmail::htmlToPlainText(html).split(QStringLiteral("\r\n")); }

}  // namespace

class HtmlTextTest : public QObject {
    Q_OBJECT

private slots:
    void readsAsW3mReadsIt_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString& name : QDir(HtmlData).entryList({QStringLiteral("*.html")}, QDir::Files))
            QTest::newRow(qPrintable(name)) << QDir(HtmlData).filePath(name);
    }

    // The same words in the same order as w3m shows, and the address of every link w3m found,
    // where a reader can see it: in the text itself.
    void readsAsW3mReadsIt()
    {
        QFETCH(QString, path);
        const std::optional<W3mDump> w3m = w3mDump(path);
        QVERIFY2(w3m, "w3m did not run (scripts/install-deps.sh installs it)");
        QVERIFY(!w3m->links.isEmpty());
        QString ours = nmail::htmlToPlainText(readUtf8(path));
        for (const QString& link : w3m->links) {
            static const QRegularExpression scheme(QStringLiteral("^(mailto|tel):"));
            const QString bare = QString(link).remove(scheme);
            QVERIFY2(ours.contains(link) || (bare != link && ours.contains(bare)), qPrintable(link + QStringLiteral(" is missing")));
            ours.remove(u'<' + link + u'>');
        }
        const QString mine = lettersOf(ours);
        const QString theirs = lettersOf(w3m->text);
        QVERIFY2(mine == theirs, qPrintable(firstDifference(mine, theirs)));
    }

    void tableCellsStandApartInAlignedColumns()
    {
        const QStringList out = lines(QStringLiteral(
            "<table><tr><th>商品</th><th>価格</th></tr>"
            "<tr><td>マグカップ</td><td>5,980円</td><td>3,980円（税込）</td><td><a href=\"https://x.jp/b\">購入する</a></td></tr>"
            "<tr><td>皿</td><td>980円</td></tr></table>"));
        QCOMPARE(out, QStringList({QStringLiteral("商品        価格"),
                                   QStringLiteral("マグカップ  5,980円  3,980円（税込）  購入する <https://x.jp/b>"),
                                   QStringLiteral("皿          980円")}));
    }

    void cellsOfSeveralLinesSitSideBySide()
    {
        const QStringList out = lines(QStringLiteral(
            "<table><tr><td><img alt=\"マット\"><br>1,650円</td><td><img alt=\"ミルクパン\"><br>3,300円</td></tr></table>"));
        QCOMPARE(out, QStringList({QStringLiteral("マット   ミルクパン"), QStringLiteral("1,650円  3,300円")}));
    }

    // A layout table around paragraphs too long to set beside each other gives each cell in turn,
    // set off by blank lines.
    void aTooWideTableGivesItsCellsInTurn()
    {
        const QString paragraph = QString(50, u'あ');
        const QStringList out = lines(QStringLiteral("<table><tr><td><p>%1</p><p>二段落目</p></td><td>横</td></tr>"
                                                     "<tr><td>左</td><td>右</td></tr></table>").arg(paragraph));
        QCOMPARE(out, QStringList({paragraph, QString(), QStringLiteral("二段落目"), QString(), QStringLiteral("横"),
                                   QString(), QStringLiteral("左  右")}));
    }

    void linksKeepTheirAddressesUnlessTheTextIsOne()
    {
        QCOMPARE(nmail::htmlToPlainText(u"<p>配信停止は<a href=\" https://x.jp/u?a=1&amp;b=2\n\">こちら</a>から</p>"),
                 QStringLiteral("配信停止はこちら <https://x.jp/u?a=1&b=2>から"));
        QCOMPARE(nmail::htmlToPlainText(u"<a href=\"https://x.jp/\">https://x.jp/</a> <a href=\"mailto:a@x.jp\">a@x.jp</a>"
                                        u" <a href=\"#top\">上へ</a> <a href=\"javascript:void(0)\">押す</a>"),
                 QStringLiteral("https://x.jp/ a@x.jp 上へ 押す"));
        QCOMPARE(nmail::htmlToPlainText(u"<head><base href=\"https://x.jp/shop/\"></head><a href=\"item/1\">本</a>"),
                 QStringLiteral("本 <https://x.jp/shop/item/1>"));
        QCOMPARE(nmail::htmlToPlainText(u"<a href=\"https://x.jp/c\"><img src=\"b.png\"></a>"),
                 QStringLiteral("<https://x.jp/c>"));
    }

    void listsAreMarkedAndNumbered()
    {
        QCOMPARE(lines(QStringLiteral("<p>前</p><ul><li>一つ目<li>二つ目<ul><li>内側</li></ul></ul>"
                                      "<ol start=\"3\"><li>three</li><li>four<br>more</li></ol>後")),
                 QStringList({QStringLiteral("前"), QString(), QStringLiteral("・一つ目"), QStringLiteral("・二つ目"),
                              QStringLiteral("  ・内側"), QString(), QStringLiteral("3. three"),
                              QStringLiteral("4. four"), QStringLiteral("   more"), QString(), QStringLiteral("後")}));
    }

    void whiteSpaceCollapsesAsInABrowser()
    {
        QCOMPARE(nmail::htmlToPlainText(u"<p>  いつも\n  ありがとう  ございます。\nThank\n  you.&nbsp;&nbsp;x </p>"),
                 QStringLiteral("いつもありがとう ございます。 Thank you.  x"));
        QCOMPARE(nmail::htmlToPlainText(u"<pre>  a\n    b</pre>"), QStringLiteral("  a\r\n    b"));
        QCOMPARE(nmail::htmlToPlainText(u"example&#8203;.com soft&shy;hyphen"), QStringLiteral("example.com softhyphen"));
    }

    void hiddenPartsAndReferences()
    {
        QCOMPARE(nmail::htmlToPlainText(u"<html><head><title>T</title><style>p{}</style></head><body>"
                                        u"<script>var a = '<p>';</script>a<br>b<!-- c -->&lt;d&gt;&bogus;&#0;"
                                        u"&copy;&yen;&#x1F384;&#150;&AMP;&amp</body>"),
                 QStringLiteral("a\r\nb<d>&bogus;\uFFFD©¥🎄–&&"));
    }

    // Markup as broken as mail gets it must never take the reader down with it.
    void brokenAndDeepMarkupEnds()
    {
        QString deep;
        for (int i = 0; i < 100000; ++i)
            deep += QStringLiteral("<div><table><tr><td>");
        QVERIFY(nmail::htmlToPlainText(deep + QStringLiteral("底")).contains(u"底"));
        const QString unclosed = nmail::htmlToPlainText(u"<p>a<td>b</tr></table></div>c<a href='x'");
        QCOMPARE(lettersOf(unclosed), QStringLiteral("abcx"));
        QCOMPARE(nmail::htmlToPlainText(u"<table><td colspan=99999>x</td><td>y</td></table>"), QStringLiteral("x  y"));
    }
};

QTEST_APPLESS_MAIN(HtmlTextTest)
#include "tst_HtmlText.moc"
