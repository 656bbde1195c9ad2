#pragma once
// HTML read into a tree of elements and text, forgiving as browsers are: mail is written by
// every kind of tool, and unclosed paragraphs, cells and list items are the rule rather than the
// exception.

#include <QList>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

namespace nmail::html {

struct Node {
    QString name;  // element name in lower case; empty for a text node
    QList<std::pair<QString, QString>> attributes;  // names in lower case, values decoded
    QString text;  // a text node's text, character references decoded
    std::vector<std::unique_ptr<Node>> children;
    Node* parent = nullptr;

    bool isText() const { return name.isEmpty(); }
    QString attribute(QStringView attributeName) const;
};

// The document: a root node (named "#document") holding everything the HTML has. Comments,
// the doctype, processing instructions and the contents of script and style are left out.
// Elements close where their end tag or an implied end (a new paragraph, cell, row or list
// item, the end of their parent) says; a stray end tag is ignored. Text keeps its white space
// as written; character references (&amp; &#12354; &#x1F384;) are decoded in text and in
// attribute values.
std::unique_ptr<Node> parseHtml(QStringView html);

// The character a named reference stands for ("amp" → "&"), or an empty string for a name
// this reader does not know.
QString namedCharacter(QStringView name);

}  // namespace nmail::html
