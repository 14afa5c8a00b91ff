#include "historia/visibletext.h"

#include "text/cp1250.h"

#include <QHash>
#include <QStringDecoder>

#include <gumbo.h>
#include <libxml/HTMLparser.h>

#include <optional>
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

// What an element means to a reader. One table for both parsers, by the
// element's lower-case name.
enum class Kind : unsigned char { Inline, Block, Cell, Hidden, Preformatted, Image };

Kind kindOf(QByteArrayView name)
{
    static const QHash<QByteArrayView, Kind> kinds = [] {
        QHash<QByteArrayView, Kind> k;
        // Elements whose content a reader never sees as text.
        for (const char* n : {"head", "script", "style", "noscript", "template", "iframe", "object", "embed", "canvas",
                              "svg", "math"})
            k.insert(QByteArrayView(n), Kind::Hidden);
        // Elements that start and end a line of their own.
        for (const char* n : {"address", "article", "aside", "blockquote", "body", "br", "caption", "center", "dd",
                              "details", "div", "dl", "dt", "fieldset", "figcaption", "figure", "footer", "form",
                              "h1", "h2", "h3", "h4", "h5", "h6", "header", "hr", "html", "legend", "li", "main",
                              "nav", "ol", "option", "p", "section", "summary", "table", "tbody", "tfoot",
                              "thead", "tr", "ul"})
            k.insert(QByteArrayView(n), Kind::Block);
        k.insert(QByteArrayView("pre"), Kind::Preformatted); // a block too
        k.insert(QByteArrayView("td"), Kind::Cell);
        k.insert(QByteArrayView("th"), Kind::Cell);
        k.insert(QByteArrayView("textarea"), Kind::Preformatted);
        k.insert(QByteArrayView("img"), Kind::Image);
        return k;
    }();
    return kinds.value(name, Kind::Inline);
}

bool breaksLine(QByteArrayView name, Kind kind)
{
    return kind == Kind::Block || (kind == Kind::Preformatted && name == "pre");
}

// An attribute that hides the element: hidden, or a style of display:none
// or visibility:hidden.
bool hidesElement(QByteArrayView name, QByteArrayView value)
{
    if (name.compare("hidden", Qt::CaseInsensitive) == 0)
        return true;
    if (name.compare("style", Qt::CaseInsensitive) == 0) {
        QByteArray style = value.toByteArray().toLower();
        style.replace(' ', QByteArray());
        if (style.contains("display:none") || style.contains("visibility:hidden"))
            return true;
    }
    return false;
}

// Collects UTF-8 text into lines; blanks (also no-break spaces and control
// characters) collapse to one.
class LineCollector
{
public:
    void text(QByteArrayView utf8, bool preformatted)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
        const auto* const end = p + utf8.size();
        while (p < end) {
            const unsigned char* start = p;
            char32_t c = *p++;
            if (c >= 0x80) {
                // The parsers give well-formed UTF-8; a broken sequence is
                // taken byte by byte and kept as it is.
                const int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
                c &= more == 3 ? 0x07 : more == 2 ? 0x0F : 0x1F;
                for (int i = 0; i < more && p < end && (*p & 0xC0) == 0x80; ++i)
                    c = (c << 6) | (*p++ & 0x3F);
            }
            if (preformatted && c == '\n') {
                breakLine();
            } else if (c < 0x20 || c == 0x00A0 || QChar::isSpace(c)) {
                m_pendingSpace = !m_line.isEmpty();
            } else {
                if (m_pendingSpace)
                    m_line += ' ';
                m_pendingSpace = false;
                m_line.append(reinterpret_cast<const char*>(start), p - start);
            }
        }
    }
    void space() { m_pendingSpace = !m_line.isEmpty(); }
    void breakLine()
    {
        if (!m_line.isEmpty()) {
            if (!m_text.isEmpty())
                m_text += '\n';
            m_text += m_line;
            ++m_lines;
        }
        m_line.clear();
        m_pendingSpace = false;
    }
    QByteArray take()
    {
        breakLine();
        return std::move(m_text);
    }
    // The index the line being gathered will have.
    int lineIndex() const { return m_lines; }

private:
    int m_lines = 0;
    QByteArray m_text;
    QByteArray m_line;
    bool m_pendingSpace = false;
};

// The rules of what a reader sees, fed with a page's elements and text in
// document order, from either parser.
class TextRules
{
public:
    explicit TextRules(LineCollector& out, QList<LineLink>* links = nullptr) : m_out(out), m_links(links) {}

    // attributes(visit) calls visit(name, value) for each attribute.
    template <typename Attributes> void start(QByteArrayView name, Attributes&& attributes)
    {
        if (m_hidden > 0) {
            ++m_hidden;
            return;
        }
        const Kind kind = kindOf(name);
        bool hidden = kind == Kind::Hidden;
        QByteArray alt;
        QByteArray href;
        const bool anchor = m_links && name == "a";
        attributes([&](QByteArrayView n, QByteArrayView v) {
            hidden = hidden || hidesElement(n, v);
            if (kind == Kind::Image && n.compare("alt", Qt::CaseInsensitive) == 0)
                alt = v.toByteArray();
            if (anchor && n.compare("href", Qt::CaseInsensitive) == 0)
                href = v.toByteArray();
        });
        if (hidden) {
            m_hidden = 1;
            return;
        }
        edge(name, kind);
        if (anchor) {
            // A link inside a link is not valid HTML: the outer one ends.
            m_openLink = -1;
            if (!href.trimmed().isEmpty()) {
                m_links->append({m_out.lineIndex(), QString::fromUtf8(href.trimmed()), QString()});
                m_openLink = int(m_links->size()) - 1;
                m_linkTextStarted = false;
            }
        }
        // An image's alternative text is what a reader without it sees.
        if (!alt.isEmpty())
            m_out.text(alt, false);
        m_pre.push_back(preformatted() || kind == Kind::Preformatted);
    }
    void end(QByteArrayView name)
    {
        if (m_hidden > 0) {
            --m_hidden;
            return;
        }
        if (m_links && name == "a")
            m_openLink = -1;
        if (!m_pre.empty())
            m_pre.pop_back();
        edge(name, kindOf(name));
    }
    void text(QByteArrayView utf8)
    {
        if (m_hidden != 0)
            return;
        if (m_openLink >= 0) {
            LineLink& link = (*m_links)[m_openLink];
            const QString piece = QString::fromUtf8(utf8).simplified();
            if (!piece.isEmpty()) {
                if (!m_linkTextStarted)
                    link.line = m_out.lineIndex(); // where its text begins
                m_linkTextStarted = true;
                if (!link.text.isEmpty())
                    link.text += QLatin1Char(' ');
                link.text += piece;
            }
        }
        m_out.text(utf8, preformatted());
    }
    bool hidden() const { return m_hidden > 0; }

private:
    bool preformatted() const { return !m_pre.empty() && m_pre.back(); }
    // A block's edges break the line; a cell's edges keep cells apart.
    void edge(QByteArrayView name, Kind kind)
    {
        if (breaksLine(name, kind))
            m_out.breakLine();
        if (kind == Kind::Cell)
            m_out.space();
    }

    LineCollector& m_out;
    QList<LineLink>* m_links = nullptr;
    int m_openLink = -1; // the link whose text is being read
    bool m_linkTextStarted = false;
    int m_hidden = 0;        // depth inside a hidden element
    std::vector<bool> m_pre; // per open element: inside pre or textarea
};

const char* tagName(const GumboNode* node)
{
    const GumboElement& e = node->v.element;
    if (e.tag != GUMBO_TAG_UNKNOWN)
        return gumbo_normalized_tagname(e.tag);
    return ""; // an element of no meaning to the rules
}

// Depth-first over gumbo's tree with a stack of its own: a page nested
// deeper than a thread's stack would otherwise end the program.
void walk(const GumboNode* root, TextRules& rules)
{
    struct Frame
    {
        const GumboNode* node;
        unsigned next; // the next child to visit
    };
    std::vector<Frame> stack{{root, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        const GumboVector& children =
            top.node->type == GUMBO_NODE_DOCUMENT ? top.node->v.document.children : top.node->v.element.children;
        if (top.next >= children.length) {
            const GumboNode* done = top.node;
            stack.pop_back();
            if (done->type != GUMBO_NODE_DOCUMENT)
                rules.end(tagName(done));
            continue;
        }
        const auto* child = static_cast<const GumboNode*>(children.data[top.next++]);
        switch (child->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE:
            rules.text(child->v.text.text);
            break;
        case GUMBO_NODE_COMMENT:
        case GUMBO_NODE_DOCUMENT:
            break;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboVector& attributes = child->v.element.attributes;
            rules.start(tagName(child), [&](auto&& visit) {
                for (unsigned i = 0; i < attributes.length; ++i) {
                    const auto* a = static_cast<const GumboAttribute*>(attributes.data[i]);
                    visit(QByteArrayView(a->name), QByteArrayView(a->value));
                }
            });
            if (rules.hidden()) {
                rules.end(tagName(child)); // its content is never visited
                break;
            }
            stack.push_back({child, 0}); // top is not used after this
            break;
        }
        }
    }
}

// libxml2's HTML parser, fed in pieces, tells the rules what it meets
// without building a tree: the memory it needs does not grow with the page.
extern "C" {
static void saxStart(void* context, const xmlChar* name, const xmlChar** attributes)
{
    auto* rules = static_cast<TextRules*>(context);
    rules->start(reinterpret_cast<const char*>(name), [&](auto&& visit) {
        for (const xmlChar** a = attributes; a && a[0]; a += 2)
            visit(QByteArrayView(reinterpret_cast<const char*>(a[0])),
                  a[1] ? QByteArrayView(reinterpret_cast<const char*>(a[1])) : QByteArrayView(""));
    });
}

static void saxEnd(void* context, const xmlChar* name)
{
    static_cast<TextRules*>(context)->end(reinterpret_cast<const char*>(name));
}

static void saxText(void* context, const xmlChar* text, int length)
{
    static_cast<TextRules*>(context)->text(QByteArrayView(reinterpret_cast<const char*>(text), length));
}

static void saxQuiet(void*, const char*, ...) {}
}

// Whether the bytes are well-formed UTF-8, looked at in pieces.
bool isValidUtf8(QByteArrayView body, qsizetype piece)
{
    QStringDecoder check(QStringDecoder::Utf8);
    for (qsizetype at = 0; at < body.size(); at += piece) {
        const QString decoded = check.decode(body.sliced(at, qMin(piece, body.size() - at))); // decoded when taken
        if (check.hasError())
            return false;
    }
    const QString rest = check.decode(QByteArrayView()); // a sequence cut off at the end
    return !check.hasError();
}

// The body in pieces of UTF-8, decoded as DecodeBody decodes it whole.
template <typename Piece> void forEachUtf8Piece(QByteArrayView body, QByteArrayView charset, Piece&& piece)
{
    constexpr qsizetype kPiece = 256 * 1024;
    const QByteArray name = charset.toByteArray().trimmed().toLower();
    std::optional<QStringDecoder> decoder; // none: the Polish code page
    if (isUtf8Name(name)) {
        decoder.emplace(QStringDecoder::Utf8);
    } else if (!isCp1250Name(name)) {
        if (!name.isEmpty())
            decoder.emplace(name.constData());
        if (!decoder || !decoder->isValid()) {
            // No usable name: UTF-8 when the bytes are valid UTF-8.
            decoder.reset();
            if (isValidUtf8(body, kPiece))
                decoder.emplace(QStringDecoder::Utf8);
        }
    }
    for (qsizetype at = 0; at < body.size(); at += kPiece) {
        const QByteArrayView part = body.sliced(at, qMin(kPiece, body.size() - at));
        piece(decoder ? QString(decoder->decode(part)).toUtf8() : cp1250::toUnicode(part).toUtf8());
    }
}

QByteArray streamedText(QByteArrayView body, QByteArrayView charset, QList<LineLink>* links)
{
    LineCollector collector;
    TextRules rules(collector, links);
    htmlSAXHandler sax{};
    sax.startElement = saxStart;
    sax.endElement = saxEnd;
    sax.characters = saxText;
    sax.cdataBlock = saxText;
    sax.ignorableWhitespace = saxText;
    sax.warning = saxQuiet;
    sax.error = saxQuiet;
    htmlParserCtxtPtr parser = htmlCreatePushParserCtxt(&sax, &rules, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
    if (!parser)
        return {};
    htmlCtxtUseOptions(parser, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                   HTML_PARSE_IGNORE_ENC);
    forEachUtf8Piece(body, charset, [&](const QByteArray& utf8) {
        htmlParseChunk(parser, utf8.constData(), int(utf8.size()), 0);
    });
    htmlParseChunk(parser, nullptr, 0, 1);
    htmlFreeParserCtxt(parser);
    return collector.take();
}

QByteArray treeText(QByteArrayView body, QByteArrayView charset, QList<LineLink>* links)
{
    const QByteArray utf8 = DecodeBody(body, charset).toUtf8();
    LineCollector collector;
    TextRules rules(collector, links);
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), size_t(utf8.size()));
    if (output) {
        walk(output->document, rules);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    return collector.take();
}

QByteArray plainText(QByteArrayView body, QByteArrayView charset)
{
    const QString text = DecodeBody(body, charset);
    LineCollector collector;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        collector.text(line.toUtf8(), false);
        collector.breakLine();
    }
    return collector.take();
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

QByteArray VisibleTextUtf8(QByteArrayView body, QByteArrayView charset, const QString& contentType,
                           HtmlParser parser, QList<LineLink>* links)
{
    if (contentType.trimmed().startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive))
        return plainText(body, charset);
    if (parser == HtmlParser::BySize)
        parser = body.size() > kTreeParseLimit ? HtmlParser::Stream : HtmlParser::Tree;
    return parser == HtmlParser::Stream ? streamedText(body, charset, links) : treeText(body, charset, links);
}

QString VisibleText(QByteArrayView body, QByteArrayView charset, const QString& contentType)
{
    return QString::fromUtf8(VisibleTextUtf8(body, charset, contentType));
}

} // namespace historia
