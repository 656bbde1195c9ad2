#include "mail/HtmlText.h"

#include "mail/HtmlTree.h"
#include "mail/TextBlock.h"
#include "mail/TextTable.h"

#include <QSet>
#include <QStringList>
#include <QUrl>

namespace nmail {

namespace {

using html::Node;
using html::TextBlock;

bool isOneOf(const QString& name, const QSet<QString>& names) { return names.contains(name); }

const QSet<QString>& paragraphBlocks()
{
    static const QSet<QString> names = {u"p"_qs,  u"h1"_qs, u"h2"_qs, u"h3"_qs, u"h4"_qs, u"h5"_qs, u"h6"_qs,
                                        u"dl"_qs, u"pre"_qs, u"figure"_qs, u"blockquote"_qs};
    return names;
}

const QSet<QString>& lineBlocks()
{
    static const QSet<QString> names = {
        u"div"_qs, u"center"_qs, u"section"_qs, u"article"_qs, u"header"_qs, u"footer"_qs, u"nav"_qs,
        u"main"_qs, u"aside"_qs, u"form"_qs, u"address"_qs, u"dt"_qs, u"dd"_qs, u"caption"_qs,
        u"fieldset"_qs, u"details"_qs, u"summary"_qs, u"tr"_qs, u"td"_qs, u"th"_qs, u"body"_qs, u"html"_qs};
    return names;
}

QString withoutScheme(QString url)
{
    for (const QString& scheme : {u"mailto:"_qs, u"tel:"_qs, u"http://"_qs, u"https://"_qs}) {
        if (url.startsWith(scheme, Qt::CaseInsensitive)) {
            url = url.mid(scheme.size());
            break;
        }
    }
    while (url.endsWith(u'/'))
        url.chop(1);
    return url;
}

class Renderer {
public:
    QStringList render(const Node& root)
    {
        TextBlock block;
        children(root, block);
        return block.finish();
    }

private:
    void children(const Node& node, TextBlock& block)
    {
        for (const auto& child : node.children)
            element(*child, block);
    }

    void element(const Node& node, TextBlock& block)
    {
        const QString& name = node.name;
        if (node.isText()) {
            if (preDepth_ > 0)
                block.preformatted(node.text);
            else
                block.text(node.text);
        } else if (isOneOf(name, {u"head"_qs, u"title"_qs, u"select"_qs, u"template"_qs, u"textarea"_qs})) {
            if (name == u"head")
                baseOf(node);
        } else if (name == u"br") {
            block.lineBreak();
        } else if (name == u"img") {
            block.text(node.attribute(u"alt"));
        } else if (name == u"input") {
            const QString type = node.attribute(u"type").toLower();
            if (type == u"submit" || type == u"button" || type == u"reset")
                block.text(node.attribute(u"value"));
        } else if (name == u"hr") {
            block.lines({QString(20, u'\u2500')});
        } else if (name == u"a") {
            link(node, block);
        } else if (name == u"table") {
            table(node, block);
        } else if (name == u"ul" || name == u"ol") {
            list(node, block);
        } else if (name == u"li") {
            listItem(node, block, QStringLiteral("・"));
        } else {
            container(node, block);
        }
    }

    void container(const Node& node, TextBlock& block)
    {
        const bool paragraph = isOneOf(node.name, paragraphBlocks());
        const bool line = paragraph || isOneOf(node.name, lineBlocks());
        const bool quoted = node.name == u"blockquote";
        const bool pre = node.name == u"pre" || node.name == u"xmp" || node.name == u"plaintext";
        if (line)
            block.boundary(paragraph);
        if (quoted)
            block.indent(QStringLiteral("> "));
        preDepth_ += pre ? 1 : 0;
        children(node, block);
        preDepth_ -= pre ? 1 : 0;
        if (quoted)
            block.outdent();
        if (line)
            block.boundary(paragraph);
    }

    // Relative addresses of links are read against the document's <base href>.
    void baseOf(const Node& head)
    {
        for (const auto& child : head.children) {
            if (child->name == u"base" && !child->attribute(u"href").isEmpty())
                base_ = QUrl(child->attribute(u"href").trimmed());
        }
    }

    QString address(const Node& anchor) const
    {
        QString href = anchor.attribute(u"href").trimmed();
        href.remove(u'\n').remove(u'\r').remove(u'\t');
        if (href.isEmpty() || href.startsWith(u'#') || href.startsWith(u"javascript:", Qt::CaseInsensitive))
            return {};
        const QUrl url(href);
        if (url.isRelative() && base_.isValid() && !base_.isRelative())
            return base_.resolved(url).toString();
        return href;
    }

    void link(const Node& anchor, TextBlock& block)
    {
        const QString target = address(anchor);
        const qsizetype start = block.written();
        children(anchor, block);
        if (target.isEmpty())
            return;
        const QString shown = block.writtenSince(start).simplified();
        if (shown == target || shown == withoutScheme(target) || withoutScheme(shown) == withoutScheme(target))
            return;
        if (addressesApart_)
            block.addressLine(u'<' + target + u'>');
        else
            block.word(u'<' + target + u'>');
    }

    void list(const Node& list, TextBlock& block)
    {
        block.boundary(listDepth_ == 0);
        ++listDepth_;
        bool ok = false;
        int number = list.attribute(u"start").toInt(&ok);
        number = ok ? number : 1;
        for (const auto& child : list.children) {
            if (child->name != u"li") {
                element(*child, block);
                continue;
            }
            listItem(*child, block, list.name == u"ol" ? QStringLiteral("%1. ").arg(number++) : QStringLiteral("・"));
        }
        --listDepth_;
        block.boundary(listDepth_ == 0);
    }

    void listItem(const Node& item, TextBlock& block, const QString& marker)
    {
        block.indent(marker);
        children(item, block);
        block.outdent();
    }

    // A table too wide to align is tried once more with each link's address on a line of its
    // own, which is often what makes it wide. Only tables of several columns can gain from
    // that, and while trying no table inside tries again, so the work stays bounded however
    // deep tables nest.
    void table(const Node& table, TextBlock& block)
    {
        const QList<html::TableRow> rows = collectRows(table);
        std::optional<QStringList> aligned = html::alignedTable(rows, HtmlTextWidth);
        if (!aligned && !addressesApart_ && html::filledColumns(rows) > 1) {
            addressesApart_ = true;
            aligned = html::alignedTable(collectRows(table), HtmlTextWidth);
            addressesApart_ = false;
        }
        block.lines(aligned ? *aligned : html::looseTable(rows));
        block.boundary(false);
    }

    QList<html::TableRow> collectRows(const Node& table)
    {
        QList<html::TableRow> rows;
        collectRows(table, rows);
        return rows;
    }

    // Anything else a table holds outside its cells (a caption, or content a browser would move
    // out of the table) is read as a row of one cell where it stands.
    void collectRows(const Node& node, QList<html::TableRow>& rows)
    {
        for (const auto& child : node.children) {
            if (child->name == u"tr")
                rows.append(cells(*child));
            else if (child->name == u"tbody" || child->name == u"thead" || child->name == u"tfoot")
                collectRows(*child, rows);
            else if (child->name != u"col" && child->name != u"colgroup")
                rows.append({cell(*child, false)});
        }
    }

    html::TableRow cells(const Node& row)
    {
        html::TableRow out;
        for (const auto& child : row.children)
            out.append(cell(*child, child->name == u"td" || child->name == u"th"));
        return out;
    }

    html::TableCell cell(const Node& node, bool isCell)
    {
        TextBlock text;
        if (isCell)
            children(node, text);
        else
            element(node, text);
        bool ok = false;
        const int span = isCell ? node.attribute(u"colspan").toInt(&ok) : 1;
        return {text.finish(), ok ? std::clamp(span, 1, 100) : 1};
    }

    QUrl base_;
    bool addressesApart_ = false;
    int preDepth_ = 0;
    int listDepth_ = 0;
};

}  // namespace

QString htmlToPlainText(QStringView html)
{
    const std::unique_ptr<Node> document = html::parseHtml(html);
    return Renderer().render(*document).join(QStringLiteral("\r\n"));
}

}  // namespace nmail
