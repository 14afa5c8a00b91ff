#include "ogloszenia/notice.h"

#include <QJsonValue>
#include <QRegularExpression>

namespace ogloszenia {

namespace {

QJsonValue text(const QString& s)
{
    return s.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s);
}

QJsonValue day(const QDate& d)
{
    return d.isValid() ? QJsonValue(d.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

QDate dayFrom(const QJsonValue& v)
{
    return v.isString() ? QDate::fromString(v.toString(), Qt::ISODate) : QDate();
}

// Only what tells one area from another: lower case, letters and digits.
QString areaKey(const QString& name)
{
    static const QRegularExpression filler(
        QStringLiteral("natura\\s*2000|obszar(?:u|em)?|specjaln\\w+|ochrony|ptaków|siedlisk|\\boso\\b|\\bsoo\\b|\\bmoo\\b|"
                       "[^\\p{L}\\p{N}]"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return name.toLower().remove(filler);
}

} // namespace

QString Notice::identity() const
{
    QString key = kind + QLatin1Char('|') + reference.toUpper() + QLatin1Char('|') + date.toString(Qt::ISODate);
    if (reference.isEmpty() && !date.isValid())
        key += QLatin1Char('|') + subject.left(200);
    return key;
}

QJsonObject ToJson(const Notice& n)
{
    QJsonObject o;
    o.insert(QStringLiteral("rodzaj"), text(n.kind));
    o.insert(QStringLiteral("organ"), text(n.authority));
    o.insert(QStringLiteral("znak"), text(n.reference));
    o.insert(QStringLiteral("data"), day(n.date));
    o.insert(QStringLiteral("procedura"), text(n.procedure));
    o.insert(QStringLiteral("etap"), text(n.stage));
    o.insert(QStringLiteral("uwagi_od"), day(n.commentsFrom));
    o.insert(QStringLiteral("uwagi_do"), day(n.commentsUntil));
    o.insert(QStringLiteral("natura2000"), n.natura2000);
    o.insert(QStringLiteral("obszar"), text(n.area));
    o.insert(QStringLiteral("przedmiot"), text(n.subject));
    return o;
}

Notice FromJson(const QJsonObject& o)
{
    Notice n;
    n.kind = o.value(QStringLiteral("rodzaj")).toString();
    n.authority = o.value(QStringLiteral("organ")).toString();
    n.reference = o.value(QStringLiteral("znak")).toString();
    n.date = dayFrom(o.value(QStringLiteral("data")));
    n.procedure = o.value(QStringLiteral("procedura")).toString(QStringLiteral("inne"));
    n.stage = o.value(QStringLiteral("etap")).toString(QStringLiteral("inne"));
    n.commentsFrom = dayFrom(o.value(QStringLiteral("uwagi_od")));
    n.commentsUntil = dayFrom(o.value(QStringLiteral("uwagi_do")));
    n.natura2000 = o.value(QStringLiteral("natura2000")).toBool();
    n.area = o.value(QStringLiteral("obszar")).toString();
    n.subject = o.value(QStringLiteral("przedmiot")).toString();
    return n;
}

bool SameArea(const QString& named, const QString& recordArea)
{
    const QString a = areaKey(named);
    const QString b = areaKey(recordArea);
    if (a.isEmpty() || b.isEmpty())
        return false;
    return a == b || (a.size() >= 6 && b.contains(a)) || (b.size() >= 6 && a.contains(b));
}

bool IsOwnArea(const Notice& notice, const QString& recordArea)
{
    if (SameArea(notice.area, recordArea))
        return true;
    for (const QString& a : notice.areasNamed)
        if (SameArea(a, recordArea))
            return true;
    return false;
}

} // namespace ogloszenia
