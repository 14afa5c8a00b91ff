#include "pdftext.h"

#include <QHash>
#include <QRegularExpression>

namespace {

struct PdfObject
{
    QByteArray dictionary;
    QByteArray stream; // inflated
};

QByteArray inflate(const QByteArray& deflated)
{
    // qUncompress wants the expected size in front; it grows the buffer
    // when the guess is too small.
    QByteArray withSize(4, '\0');
    const quint32 guess = quint32(deflated.size()) * 8 + 1024;
    withSize[0] = char(guess >> 24);
    withSize[1] = char(guess >> 16);
    withSize[2] = char(guess >> 8);
    withSize[3] = char(guess);
    return qUncompress(withSize + deflated);
}

QHash<int, PdfObject> readObjects(const QByteArray& pdf)
{
    QHash<int, PdfObject> objects;
    static const QRegularExpression header(QStringLiteral("(\\d+) 0 obj\\b"));
    qsizetype from = 0;
    const QString latin = QString::fromLatin1(pdf);
    QRegularExpressionMatchIterator it = header.globalMatch(latin);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedStart() < from)
            continue;
        const qsizetype start = m.capturedEnd();
        const qsizetype end = pdf.indexOf("endobj", start);
        if (end < 0)
            break;
        PdfObject object;
        const qsizetype streamAt = pdf.indexOf("stream", start);
        if (streamAt >= 0 && streamAt < end) {
            object.dictionary = pdf.mid(start, streamAt - start);
            qsizetype dataStart = streamAt + 6;
            if (pdf.mid(dataStart, 2) == "\r\n")
                dataStart += 2;
            else if (pdf.at(dataStart) == '\n')
                dataStart += 1;
            const qsizetype dataEnd = pdf.lastIndexOf("endstream", end);
            QByteArray data = pdf.mid(dataStart, dataEnd - dataStart);
            object.stream = object.dictionary.contains("/FlateDecode") ? inflate(data) : data;
        } else {
            object.dictionary = pdf.mid(start, end - start);
        }
        objects.insert(m.captured(1).toInt(), object);
        from = end;
    }
    return objects;
}

// Glyph code → text, from the bfchar and bfrange sections of a ToUnicode map.
QHash<quint32, QString> readToUnicode(const QByteArray& cmap)
{
    QHash<quint32, QString> map;
    auto hexText = [](const QByteArray& hex) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        QString s;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            s += QChar(ushort((uchar(bytes[i]) << 8) | uchar(bytes[i + 1])));
        return s;
    };
    static const QRegularExpression section(QStringLiteral("begin(bfchar|bfrange)(.*?)end\\1"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression charEntry(
        QStringLiteral("<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>"));
    // <low> <high> <first> or <low> <high> [<one> <two> …]
    static const QRegularExpression rangeEntry(QStringLiteral(
        "<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*(?:<([0-9A-Fa-f]+)>|\\[([^\\]]*)\\])"));
    static const QRegularExpression hex(QStringLiteral("<([0-9A-Fa-f]+)>"));
    QRegularExpressionMatchIterator sections = section.globalMatch(QString::fromLatin1(cmap));
    while (sections.hasNext()) {
        const QRegularExpressionMatch s = sections.next();
        if (s.captured(1) == QLatin1String("bfchar")) {
            QRegularExpressionMatchIterator e = charEntry.globalMatch(s.captured(2));
            while (e.hasNext()) {
                const QRegularExpressionMatch m = e.next();
                map.insert(m.captured(1).toUInt(nullptr, 16), hexText(m.captured(2).toLatin1()));
            }
            continue;
        }
        QRegularExpressionMatchIterator e = rangeEntry.globalMatch(s.captured(2));
        while (e.hasNext()) {
            const QRegularExpressionMatch m = e.next();
            const quint32 low = m.captured(1).toUInt(nullptr, 16);
            const quint32 high = m.captured(2).toUInt(nullptr, 16);
            if (!m.captured(3).isEmpty()) {
                const QString first = hexText(m.captured(3).toLatin1());
                for (quint32 code = low; code <= high && !first.isEmpty(); ++code)
                    map.insert(code, first.left(first.size() - 1) +
                                         QChar(first.back().unicode() + (code - low)));
                continue;
            }
            QRegularExpressionMatchIterator each = hex.globalMatch(m.captured(4));
            for (quint32 code = low; code <= high && each.hasNext(); ++code)
                map.insert(code, hexText(each.next().captured(1).toLatin1()));
        }
    }
    return map;
}

QString utf16Title(const QByteArray& info)
{
    const qsizetype at = info.indexOf("/Title (");
    if (at < 0)
        return {};
    QByteArray raw;
    for (qsizetype i = at + 8; i < info.size() && info[i] != ')'; ++i) {
        if (info[i] == '\\' && i + 1 < info.size())
            ++i;
        raw += info[i];
    }
    if (!raw.startsWith("\xfe\xff"))
        return QString::fromLatin1(raw);
    QString s;
    for (qsizetype i = 2; i + 1 < raw.size(); i += 2)
        s += QChar(ushort((uchar(raw[i]) << 8) | uchar(raw[i + 1])));
    return s;
}

} // namespace

PdfSummary ReadPdf(const QByteArray& pdf)
{
    PdfSummary summary;
    const QHash<int, PdfObject> objects = readObjects(pdf);

    // Font resource name → glyph map. Qt names each font after its object.
    QHash<QByteArray, QHash<quint32, QString>> fonts;
    static const QRegularExpression fontRef(QStringLiteral("/(F\\d+) (\\d+) 0 R"));
    static const QRegularExpression toUnicode(QStringLiteral("/ToUnicode (\\d+) 0 R"));
    QRegularExpressionMatchIterator refs = fontRef.globalMatch(QString::fromLatin1(pdf));
    while (refs.hasNext()) {
        const QRegularExpressionMatch r = refs.next();
        const PdfObject font = objects.value(r.captured(2).toInt());
        const QRegularExpressionMatch u = toUnicode.match(QString::fromLatin1(font.dictionary));
        if (u.hasMatch())
            fonts.insert(r.captured(1).toLatin1(),
                         readToUnicode(objects.value(u.captured(1).toInt()).stream));
    }

    static const QRegularExpression pageType(QStringLiteral("/Type\\s*/Page\\b(?!s)"));
    static const QRegularExpression contents(QStringLiteral("/Contents (\\d+) 0 R"));
    static const QRegularExpression textOps(
        QStringLiteral("/(F\\d+) [\\d.]+ Tf|<([0-9A-Fa-f]*)> ?Tj"));
    QList<int> numbers = objects.keys();
    std::sort(numbers.begin(), numbers.end());
    for (int n : numbers) {
        const PdfObject& o = objects[n];
        const QString dict = QString::fromLatin1(o.dictionary);
        if (o.dictionary.contains("/Subtype /Image"))
            ++summary.images;
        if (o.dictionary.contains("/Title ("))
            summary.title = utf16Title(o.dictionary);
        if (!pageType.match(dict).hasMatch())
            continue;
        ++summary.pages;
        const QRegularExpressionMatch c = contents.match(dict);
        if (!c.hasMatch())
            continue;
        QHash<quint32, QString> font;
        QRegularExpressionMatchIterator ops =
            textOps.globalMatch(QString::fromLatin1(objects.value(c.captured(1).toInt()).stream));
        while (ops.hasNext()) {
            const QRegularExpressionMatch op = ops.next();
            if (!op.captured(1).isEmpty()) {
                font = fonts.value(op.captured(1).toLatin1());
                continue;
            }
            const QByteArray codes = QByteArray::fromHex(op.captured(2).toLatin1());
            for (qsizetype i = 0; i + 1 < codes.size(); i += 2)
                summary.text += font.value((uchar(codes[i]) << 8) | uchar(codes[i + 1]));
        }
        summary.text += QLatin1Char('\n');
    }
    return summary;
}
