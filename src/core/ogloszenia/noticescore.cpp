#include "ogloszenia/noticescore.h"

#include <QJsonDocument>
#include <QRegularExpression>

#include <optional>

namespace ogloszenia {

namespace {

const QStringList& fieldNames()
{
    static const QStringList names = {
        QStringLiteral("rodzaj"),   QStringLiteral("organ"),      QStringLiteral("znak"),
        QStringLiteral("data"),     QStringLiteral("procedura"),  QStringLiteral("etap"),
        QStringLiteral("uwagi_od"), QStringLiteral("uwagi_do"),   QStringLiteral("natura2000"),
        QStringLiteral("obszar"),   QStringLiteral("przedmiot"),
    };
    return names;
}

QString loose(const QString& s)
{
    static const QRegularExpression quotes(QStringLiteral("[\"\\x{201E}\\x{201D}\\x{201C}]"));
    return s.toLower().remove(quotes).simplified().left(30);
}

// The value of a field as compared; nullopt when the notice has none.
std::optional<QString> valueOf(const Notice& n, const QString& field)
{
    auto text = [](const QString& s) { return s.isEmpty() ? std::nullopt : std::optional<QString>(s); };
    auto day = [](const QDate& d) {
        return d.isValid() ? std::optional<QString>(d.toString(Qt::ISODate)) : std::nullopt;
    };
    if (field == QLatin1String("rodzaj"))
        return text(n.kind);
    if (field == QLatin1String("organ"))
        return n.authority.isEmpty() ? std::nullopt : std::optional<QString>(loose(n.authority));
    if (field == QLatin1String("znak"))
        return text(n.reference);
    if (field == QLatin1String("data"))
        return day(n.date);
    if (field == QLatin1String("procedura"))
        return text(n.procedure);
    if (field == QLatin1String("etap"))
        return text(n.stage);
    if (field == QLatin1String("uwagi_od"))
        return day(n.commentsFrom);
    if (field == QLatin1String("uwagi_do"))
        return day(n.commentsUntil);
    if (field == QLatin1String("natura2000"))
        return n.natura2000 ? std::optional<QString>(QStringLiteral("tak")) : std::nullopt;
    if (field == QLatin1String("obszar"))
        return n.area.isEmpty() ? std::nullopt : std::optional<QString>(n.area.toLower());
    if (field == QLatin1String("przedmiot"))
        return n.subject.isEmpty() ? std::nullopt : std::optional<QString>(loose(n.subject));
    return std::nullopt;
}

int agreement(const Notice& a, const Notice& b)
{
    int same = 0;
    for (const QString& f : fieldNames()) {
        const auto x = valueOf(a, f);
        if (x && x == valueOf(b, f))
            ++same;
    }
    return same;
}

} // namespace

double FieldScore::precision() const
{
    return hits + falseOnes == 0 ? 1.0 : double(hits) / (hits + falseOnes);
}

double FieldScore::recall() const
{
    return hits + missed == 0 ? 1.0 : double(hits) / (hits + missed);
}

double FieldScore::f1() const
{
    const double p = precision();
    const double r = recall();
    return p + r == 0 ? 0.0 : 2 * p * r / (p + r);
}

NoticeScorer::NoticeScorer()
{
    for (const QString& f : fieldNames())
        m_fields << FieldScore{f};
}

void NoticeScorer::count(const Notice* expected, const Notice* read)
{
    for (FieldScore& s : m_fields) {
        const auto e = expected ? valueOf(*expected, s.field) : std::nullopt;
        const auto r = read ? valueOf(*read, s.field) : std::nullopt;
        if (e && r && *e == *r) {
            ++s.hits;
            continue;
        }
        if (e)
            ++s.missed;
        if (r)
            ++s.falseOnes;
    }
}

void NoticeScorer::AddPage(const QList<Notice>& expected, const QList<Notice>& read)
{
    ++m_pages;
    m_expected += int(expected.size());
    m_read += int(read.size());
    QList<bool> taken(read.size(), false);
    for (const Notice& e : expected) {
        // The read notice that agrees most; the earlier one on a tie.
        qsizetype best = -1;
        int bestAgreement = 0;
        for (qsizetype i = 0; i < read.size(); ++i) {
            if (taken[i])
                continue;
            const int a = agreement(e, read[i]);
            if (a > bestAgreement) {
                best = i;
                bestAgreement = a;
            }
        }
        if (best >= 0) {
            taken[best] = true;
            ++m_paired;
            count(&e, &read[best]);
        } else {
            count(&e, nullptr);
        }
    }
    for (qsizetype i = 0; i < read.size(); ++i)
        if (!taken[i])
            count(nullptr, &read[i]);
}

double NoticeScorer::F1(const QString& field) const
{
    for (const FieldScore& s : m_fields)
        if (s.field == field)
            return s.f1();
    return 0;
}

QString NoticeScorer::Table() const
{
    QString out = QStringLiteral("strony %1, ogłoszenia oczekiwane %2, odczytane %3, sparowane %4\n")
                      .arg(m_pages)
                      .arg(m_expected)
                      .arg(m_read)
                      .arg(m_paired);
    out += QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg(QStringLiteral("pole"), -11)
               .arg(QStringLiteral("traf."), 6)
               .arg(QStringLiteral("fałsz."), 6)
               .arg(QStringLiteral("brak"), 6)
               .arg(QStringLiteral("P"), 6)
               .arg(QStringLiteral("R"), 6)
               .arg(QStringLiteral("F1"), 6);
    for (const FieldScore& s : m_fields)
        out += QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                   .arg(s.field, -11)
                   .arg(s.hits, 6)
                   .arg(s.falseOnes, 6)
                   .arg(s.missed, 6)
                   .arg(s.precision(), 6, 'f', 3)
                   .arg(s.recall(), 6, 'f', 3)
                   .arg(s.f1(), 6, 'f', 3);
    return out;
}

QList<Notice> ReadExpectedNotices(const QByteArray& jsonLines)
{
    QList<Notice> out;
    for (const QByteArray& line : jsonLines.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        out << FromJson(QJsonDocument::fromJson(line).object());
    }
    return out;
}

} // namespace ogloszenia
