#include "publikacja/entry.h"

#include "text/datevalue.h"

#include <array>

namespace publikacja {

QString MonthGenitive(int month)
{
    static const std::array<const char16_t*, 12> names = {
        u"stycznia", u"lutego",   u"marca",    u"kwietnia", u"maja",         u"czerwca",
        u"lipca",    u"sierpnia", u"września", u"października", u"listopada", u"grudnia",
    };
    if (month < 1 || month > 12)
        return QString();
    return QString::fromUtf16(names[size_t(month - 1)]);
}

QString HtmlEscaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QStringLiteral("&amp;"); break;
        case u'<': out += QStringLiteral("&lt;"); break;
        case u'>': out += QStringLiteral("&gt;"); break;
        case u'"': out += QStringLiteral("&quot;"); break;
        default: out += c;
        }
    }
    return out;
}

QString MakeEntry(const QString& municipality, const QString& area, const QString& url, double date)
{
    const QDate day = datevalue::toDate(date);
    return QStringLiteral("Dnia ") + QString::number(day.day()) + QLatin1Char(' ') +
           MonthGenitive(day.month()) + QLatin1Char(' ') + QString::number(day.year()) +
           QStringLiteral(" wprowadzono zmiany na stronie gminy <a href=\"") + HtmlEscaped(url) +
           QStringLiteral("\" target=_blank><b>") + HtmlEscaped(municipality) +
           QStringLiteral("</b></a> (obszar Natura 2000: ") + HtmlEscaped(area) +
           QStringLiteral("). <hr>");
}

double EntryDate(double aktualizacja, double dataKontroli)
{
    return aktualizacja != 0 ? aktualizacja : dataKontroli;
}

} // namespace publikacja
