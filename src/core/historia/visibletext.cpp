#include "historia/visibletext.h"

#include "text/cp1250.h"

#include <QStringDecoder>
#include <QStringList>

#include <gumbo.h>

#include <vector>

namespace historia {
namespace {

bool isUtf8Name(const QByteArray& name)
{
    return name == "utf-8" || name == "utf8";
}

bool isCp1250Name(const QByteArray& name)
{
    return name == "windows-1250" || name == "cp1250" || name == "x-cp1250" || name == "win-1250";
}

// Elements whose content a reader never sees as text.
bool isHidden(const GumboNode* node)
{
    switch (node->v.element.tag) {
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_CANVAS:
    case GUMBO_TAG_SVG:
    case GUMBO_TAG_MATH:
        return true;
    default:
        break;
    }
    const GumboVector& attributes = node->v.element.attributes;
    for (unsigned i = 0; i < attributes.length; ++i) {
        const auto* a = static_cast<const GumboAttribute*>(attributes.data[i]);
        if (qstricmp(a->name, "hidden") == 0)
            return true;
        if (qstricmp(a->name, "style") == 0) {
            QByteArray style = QByteArray(a->value).toLower();
            style.replace(' ', QByteArray());
            if (style.contains("display:none") || style.contains("visibility:hidden"))
                return true;
        }
    }
    return false;
}

// Elements that start and end a line of their own.
bool isBlock(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_BODY:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_HTML:
    case GUMBO_TAG_LEGEND:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_P:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_UL:
        return true;
    default:
        return false;
    }
}

// Collects text into lines; blanks (also no-break spaces) collapse to one.
class LineCollector
{
public:
    void text(const QString& t, bool preformatted)
    {
        for (const QChar c : t) {
            if (preformatted && c == QLatin1Char('\n')) {
                breakLine();
            } else if (c.isSpace() || c == QChar(0x00A0) || c.unicode() < 0x20) {
                m_pendingSpace = !m_line.isEmpty();
            } else {
                if (m_pendingSpace)
                    m_line += QLatin1Char(' ');
                m_pendingSpace = false;
                m_line += c;
            }
        }
    }
    void space() { m_pendingSpace = !m_line.isEmpty(); }
    void breakLine()
    {
        if (!m_line.isEmpty())
            m_lines << m_line;
        m_line.clear();
        m_pendingSpace = false;
    }
    QStringList lines()
    {
        breakLine();
        return m_lines;
    }

private:
    QStringList m_lines;
    QString m_line;
    bool m_pendingSpace = false;
};

// Depth-first over the tree with a stack of its own: a page nested deeper
// than a thread's stack would otherwise end the program.
void walk(const GumboNode* root, LineCollector& out)
{
    struct Frame
    {
        const GumboNode* node;
        unsigned next; // the next child to visit
        bool pre;
    };
    std::vector<Frame> stack;
    // A block's edges break the line; a cell's edges keep cells apart.
    auto edge = [&](GumboTag tag) {
        if (isBlock(tag))
            out.breakLine();
        if (tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH)
            out.space();
    };
    auto enter = [&](const GumboNode* node, bool pre) {
        switch (node->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE:
            out.text(QString::fromUtf8(node->v.text.text), pre);
            return;
        case GUMBO_NODE_COMMENT:
            return;
        case GUMBO_NODE_DOCUMENT:
            stack.push_back({node, 0, pre});
            return;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            break;
        }
        if (isHidden(node))
            return;
        const GumboTag tag = node->v.element.tag;
        edge(tag);
        if (tag == GUMBO_TAG_IMG) {
            // An image's alternative text is what a reader without it sees.
            if (const GumboAttribute* alt = gumbo_get_attribute(&node->v.element.attributes, "alt"))
                out.text(QString::fromUtf8(alt->value), false);
        }
        stack.push_back({node, 0, pre || tag == GUMBO_TAG_PRE || tag == GUMBO_TAG_TEXTAREA});
    };
    auto leave = [&](const GumboNode* node) {
        if (node->type != GUMBO_NODE_DOCUMENT)
            edge(node->v.element.tag);
    };

    enter(root, false);
    while (!stack.empty()) {
        Frame& top = stack.back();
        const GumboVector& children =
            top.node->type == GUMBO_NODE_DOCUMENT ? top.node->v.document.children : top.node->v.element.children;
        if (top.next < children.length) {
            const auto* child = static_cast<const GumboNode*>(children.data[top.next++]);
            enter(child, top.pre); // may grow the stack: top is not used after this
            continue;
        }
        const GumboNode* done = top.node;
        stack.pop_back();
        leave(done);
    }
}

QStringList plainLines(const QString& text)
{
    QStringList lines;
    LineCollector collector;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        collector.text(line.toString(), false);
        collector.breakLine();
    }
    return collector.lines();
}

} // namespace

QString DecodeBody(QByteArrayView body, QByteArrayView charset)
{
    const QByteArray name = charset.toByteArray().trimmed().toLower();
    if (isUtf8Name(name))
        return QString::fromUtf8(body);
    if (isCp1250Name(name))
        return cp1250::toUnicode(body);
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.constData(), QStringDecoder::Flag::Stateless);
        if (decoder.isValid())
            return decoder.decode(body);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(body);
    if (!utf8.hasError())
        return asUtf8;
    return cp1250::toUnicode(body);
}

QString VisibleText(QByteArrayView body, QByteArrayView charset, const QString& contentType)
{
    const QString text = DecodeBody(body, charset);
    if (contentType.trimmed().startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive))
        return plainLines(text).join(QLatin1Char('\n'));

    const QByteArray utf8 = text.toUtf8();
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), size_t(utf8.size()));
    LineCollector collector;
    if (output) {
        walk(output->document, collector);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    return collector.lines().join(QLatin1Char('\n'));
}

} // namespace historia
