#include "mail/HtmlTree.h"

#include <QSet>

#include <array>
#include <cctype>

namespace nmail::html {

namespace {

// Deeper nesting than this (hostile or broken mail) is flattened into the deepest element, so
// that neither building nor reading the tree can run out of stack.
constexpr int MaxDepth = 200;

bool isVoid(QStringView name)
{
    static const QSet<QString> names = {u"area"_qs, u"base"_qs, u"br"_qs,    u"col"_qs,   u"embed"_qs,
                                        u"hr"_qs,   u"img"_qs,  u"input"_qs, u"link"_qs,  u"meta"_qs,
                                        u"param"_qs, u"source"_qs, u"track"_qs, u"wbr"_qs};
    return names.contains(name.toString());
}

// Elements whose start ends an open paragraph.
bool closesParagraph(QStringView name)
{
    static const QSet<QString> names = {
        u"address"_qs, u"article"_qs, u"aside"_qs, u"blockquote"_qs, u"center"_qs, u"div"_qs, u"dl"_qs,
        u"fieldset"_qs, u"figure"_qs, u"footer"_qs, u"form"_qs, u"h1"_qs, u"h2"_qs, u"h3"_qs, u"h4"_qs,
        u"h5"_qs, u"h6"_qs, u"header"_qs, u"hr"_qs, u"main"_qs, u"nav"_qs, u"ol"_qs, u"p"_qs, u"pre"_qs,
        u"section"_qs, u"table"_qs, u"ul"_qs};
    return names.contains(name.toString());
}

bool isTableSection(QStringView name) { return name == u"tbody" || name == u"thead" || name == u"tfoot"; }
bool isCell(QStringView name) { return name == u"td" || name == u"th"; }

// The windows-1252 characters that HTML reads numeric references 0x80 to 0x9F as.
char16_t windows1252(uint code)
{
    static constexpr std::array<char16_t, 32> table = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    return table[code - 0x80];
}

QString numericCharacter(QStringView digits, bool hex)
{
    bool ok = false;
    const uint code = digits.toUInt(&ok, hex ? 16 : 10);
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return QString(QChar(QChar::ReplacementCharacter));
    if (code >= 0x80 && code <= 0x9F)
        return QString(QChar(windows1252(code)));
    const char32_t c = code;
    return QString::fromUcs4(&c, 1);
}

// The reference starting at text[at] (an "&"), and how many characters it takes; nothing when
// the "&" starts no reference and stands for itself.
std::pair<QString, qsizetype> reference(QStringView text, qsizetype at)
{
    qsizetype end = at + 1;
    if (end < text.size() && text[end] == u'#') {
        const bool hex = end + 1 < text.size() && (text[end + 1] == u'x' || text[end + 1] == u'X');
        const qsizetype first = end + (hex ? 2 : 1);
        end = first;
        while (end < text.size() && end - first < 8
               && text[end].unicode() < 0x80 && (hex ? isxdigit(text[end].unicode()) != 0 : text[end].isDigit()))
            ++end;
        if (end == first)
            return {};
        const QString character = numericCharacter(text.sliced(first, end - first), hex);
        return {character, end - at + (end < text.size() && text[end] == u';' ? 1 : 0)};
    }
    while (end < text.size() && end - at <= 32 && text[end].unicode() < 0x80 && text[end].isLetterOrNumber())
        ++end;
    const QStringView name = text.sliced(at + 1, end - at - 1);
    const bool closed = end < text.size() && text[end] == u';';
    // Without its ";" only the references that sloppy tools leave open are taken.
    static const QSet<QString> open = {u"amp"_qs, u"lt"_qs, u"gt"_qs, u"quot"_qs, u"nbsp"_qs};
    if (name.isEmpty() || (!closed && !open.contains(name.toString())))
        return {};
    const QString character = namedCharacter(name);
    if (character.isEmpty())
        return {};
    return {character, end - at + (closed ? 1 : 0)};
}

QString decodeReferences(QStringView text)
{
    if (!text.contains(u'&'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == u'&') {
            if (const auto [character, length] = reference(text, i); length > 0) {
                out += character;
                i += length;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

bool isNameCharacter(QChar c)
{
    return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':');
}

class TreeBuilder {
public:
    explicit TreeBuilder(QStringView html) : html_(html)
    {
        root_ = std::make_unique<Node>();
        root_->name = QStringLiteral("#document");
        open_.push_back(root_.get());
    }

    std::unique_ptr<Node> build()
    {
        while (at_ < html_.size()) {
            const qsizetype lt = html_.indexOf(u'<', at_);
            if (lt < 0) {
                addText(html_.sliced(at_));
                break;
            }
            if (lt > at_)
                addText(html_.sliced(at_, lt - at_));
            at_ = lt;
            readMarkup();
        }
        return std::move(root_);
    }

private:
    Node* current() const { return open_.back(); }

    void addText(QStringView raw)
    {
        if (raw.isEmpty())
            return;
        Node* parent = current();
        if (!parent->children.empty() && parent->children.back()->isText()) {
            parent->children.back()->text += decodeReferences(raw);
            return;
        }
        auto node = std::make_unique<Node>();
        node->text = decodeReferences(raw);
        node->parent = parent;
        parent->children.push_back(std::move(node));
    }

    // At a "<": a tag, a comment or declaration, or a "<" that is only text.
    void readMarkup()
    {
        const QStringView rest = html_.sliced(at_);
        if (rest.startsWith(u"<!--")) {
            const qsizetype end = html_.indexOf(u"-->", at_ + 4);
            at_ = end < 0 ? html_.size() : end + 3;
        } else if (rest.startsWith(u"<!") || rest.startsWith(u"<?")) {
            const qsizetype end = html_.indexOf(u'>', at_);
            at_ = end < 0 ? html_.size() : end + 1;
        } else if (rest.size() > 2 && rest[1] == u'/' && rest[2].isLetter()) {
            at_ += 2;
            endTag(readName());
            skipTo(u'>');
        } else if (rest.size() > 1 && rest[1].isLetter()) {
            ++at_;
            startTag();
        } else {
            addText(u"<");
            ++at_;
        }
    }

    QString readName()
    {
        const qsizetype start = at_;
        while (at_ < html_.size() && isNameCharacter(html_[at_]))
            ++at_;
        return html_.sliced(start, at_ - start).toString().toLower();
    }

    void skipSpaces()
    {
        while (at_ < html_.size() && (html_[at_].isSpace() || html_[at_] == u'/'))
            ++at_;
    }

    void skipTo(QChar c)
    {
        const qsizetype end = html_.indexOf(c, at_);
        at_ = end < 0 ? html_.size() : end + 1;
    }

    QString readAttributeValue()
    {
        if (at_ < html_.size() && (html_[at_] == u'"' || html_[at_] == u'\'')) {
            const QChar quote = html_[at_++];
            const qsizetype end = html_.indexOf(quote, at_);
            const qsizetype stop = end < 0 ? html_.size() : end;
            const QString value = decodeReferences(html_.sliced(at_, stop - at_));
            at_ = end < 0 ? html_.size() : end + 1;
            return value;
        }
        const qsizetype start = at_;
        while (at_ < html_.size() && !html_[at_].isSpace() && html_[at_] != u'>')
            ++at_;
        return decodeReferences(html_.sliced(start, at_ - start));
    }

    void startTag()
    {
        auto node = std::make_unique<Node>();
        node->name = readName();
        for (skipSpaces(); at_ < html_.size() && html_[at_] != u'>'; skipSpaces()) {
            const qsizetype start = at_;
            while (at_ < html_.size() && !html_[at_].isSpace() && html_[at_] != u'=' && html_[at_] != u'>'
                   && html_[at_] != u'/')
                ++at_;
            QString name = html_.sliced(start, at_ - start).toString().toLower();
            while (at_ < html_.size() && html_[at_].isSpace())
                ++at_;
            QString value;
            if (at_ < html_.size() && html_[at_] == u'=') {
                ++at_;
                while (at_ < html_.size() && html_[at_].isSpace())
                    ++at_;
                value = readAttributeValue();
            }
            if (!name.isEmpty())
                node->attributes.append({std::move(name), std::move(value)});
        }
        at_ = std::min(at_ + 1, html_.size());
        const QString name = node->name;
        if (name == u"script" || name == u"style" || name == u"title" || name == u"textarea") {
            rawText(std::move(node));
            return;
        }
        closeImplied(name);
        // A cell straight inside a table or one of its sections sits in a row nobody wrote.
        if (isCell(name) && (current()->name == u"table" || isTableSection(current()->name)))
            push(makeElement(u"tr"_qs));
        const bool container = !isVoid(name);
        push(std::move(node), container);
    }

    static std::unique_ptr<Node> makeElement(const QString& name)
    {
        auto node = std::make_unique<Node>();
        node->name = name;
        return node;
    }

    void push(std::unique_ptr<Node> node, bool container = true)
    {
        Node* parent = current();
        node->parent = parent;
        Node* added = node.get();
        parent->children.push_back(std::move(node));
        if (container && open_.size() < MaxDepth)
            open_.push_back(added);
    }

    // Script and style are dropped with their contents; a title or text area keeps its text as
    // text, markup included.
    void rawText(std::unique_ptr<Node> node)
    {
        const QString close = QStringLiteral("</") + node->name;
        const qsizetype end = html_.indexOf(close, at_, Qt::CaseInsensitive);
        const qsizetype stop = end < 0 ? html_.size() : end;
        if (node->name == u"title" || node->name == u"textarea") {
            auto text = std::make_unique<Node>();
            text->text = decodeReferences(html_.sliced(at_, stop - at_));
            text->parent = node.get();
            node->children.push_back(std::move(text));
            push(std::move(node), false);
        }
        at_ = stop;
        if (end >= 0)
            skipTo(u'>');
    }

    // Pops open elements down to (and including) the nearest named one, when it is open below
    // the nearest boundary; true when one was closed.
    bool closeOpen(const QSet<QString>& names, const QSet<QString>& boundaries)
    {
        for (qsizetype i = qsizetype(open_.size()) - 1; i > 0; --i) {
            if (names.contains(open_[size_t(i)]->name)) {
                open_.resize(size_t(i));
                return true;
            }
            if (boundaries.contains(open_[size_t(i)]->name))
                return false;
        }
        return false;
    }

    void closeImplied(const QString& name)
    {
        static const QSet<QString> tableBoundary = {u"table"_qs};
        static const QSet<QString> cellBoundary = {u"td"_qs, u"th"_qs, u"table"_qs, u"li"_qs, u"blockquote"_qs};
        if (closesParagraph(name))
            closeOpen({u"p"_qs}, cellBoundary);
        if (name == u"li")
            closeOpen({u"li"_qs}, {u"ul"_qs, u"ol"_qs, u"table"_qs});
        else if (name == u"dt" || name == u"dd")
            closeOpen({u"dt"_qs, u"dd"_qs}, {u"dl"_qs, u"table"_qs});
        else if (isCell(name))
            closeOpen({u"td"_qs, u"th"_qs}, {u"tr"_qs, u"table"_qs});
        else if (name == u"tr")
            closeOpen({u"tr"_qs}, {u"table"_qs, u"tbody"_qs, u"thead"_qs, u"tfoot"_qs});
        else if (isTableSection(name))
            closeOpen({u"tbody"_qs, u"thead"_qs, u"tfoot"_qs}, tableBoundary);
        else if (name == u"option")
            closeOpen({u"option"_qs}, {u"select"_qs});
    }

    void endTag(const QString& name)
    {
        if (name == u"br") {
            push(makeElement(name), false);
            return;
        }
        // An end tag closes its element only inside the table cell it was opened in.
        static const QSet<QString> cellBoundary = {u"td"_qs, u"th"_qs, u"table"_qs};
        QSet<QString> boundaries = cellBoundary;
        if (cellBoundary.contains(name) || name == u"tr" || isTableSection(name))
            boundaries = {u"table"_qs};
        if (name == u"table")
            boundaries = {};
        closeOpen({name}, boundaries);
    }

    QStringView html_;
    qsizetype at_ = 0;
    std::unique_ptr<Node> root_;
    std::vector<Node*> open_;
};

}  // namespace

QString Node::attribute(QStringView attributeName) const
{
    for (const auto& [key, value] : attributes) {
        if (key == attributeName)
            return value;
    }
    return {};
}

std::unique_ptr<Node> parseHtml(QStringView html) { return TreeBuilder(html).build(); }

}  // namespace nmail::html
