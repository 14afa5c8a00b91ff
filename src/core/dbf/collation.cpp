#include "dbf/collation.h"

#include "text/cp1250.h"

#include <array>

namespace dbf {
namespace {

struct Weights {
    std::array<unsigned char, 256> of{};

    Weights()
    {
        // Letters of the Polish alphabet in order; each string lists the
        // small letter first, then the letters that share its place.
        static const char16_t* const alphabet[] = {
            u"aáâăä", u"ą", u"b", u"cçč", u"ć", u"dďđ", u"eéëě", u"ę", u"f", u"g", u"h",
            u"iíî", u"j", u"k", u"lĺľ", u"ł", u"m", u"nň", u"ń", u"oôőö", u"ó", u"p", u"q",
            u"rŕř", u"sşšß", u"ś", u"tťţ", u"uúůűü", u"v", u"w", u"x", u"yý", u"zž", u"ź",
            u"ż",
        };
        // Everything that is not a letter keeps its byte order below the
        // letters, digits last among them.
        int next = 1;
        std::array<bool, 256> done{};
        auto assign = [&](int b, int w) {
            of[b] = static_cast<unsigned char>(w);
            done[b] = true;
        };
        for (int b = 0; b < 256; ++b) {
            const QString c = cp1250::toUnicode(static_cast<char>(b));
            if (c[0].isLetterOrNumber())
                continue;
            assign(b, next++);
        }
        for (int b = '0'; b <= '9'; ++b)
            assign(b, next++);
        for (const char16_t* letters : alphabet) {
            const int w = next++;
            for (const char16_t* p = letters; *p; ++p) {
                const QChar small(*p);
                const QByteArray lower = cp1250::fromUnicode(QString(small));
                const QByteArray upper = cp1250::fromUnicode(QString(small).toUpper());
                if (lower != "?")
                    assign(static_cast<unsigned char>(lower[0]), w);
                if (upper != "?" && upper.size() == 1)
                    assign(static_cast<unsigned char>(upper[0]), w);
            }
        }
        for (int b = 0; b < 256; ++b)
            if (!done[b])
                assign(b, next < 255 ? next++ : 255);
    }
};

const Weights& weights()
{
    static const Weights w;
    return w;
}

} // namespace

QByteArray characterSortKey(QByteArrayView bytes)
{
    const auto& of = weights().of;
    QByteArray key(bytes.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        key[i] = static_cast<char>(of[static_cast<unsigned char>(bytes[i])]);
        key[bytes.size() + i] = bytes[i];
    }
    return key;
}

} // namespace dbf
