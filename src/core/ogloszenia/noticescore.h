#pragma once

#include "ogloszenia/notice.h"

#include <QList>
#include <QString>

// How well notices were read, field by field, against notices whose fields
// a person wrote down: precision, recall and F1 per field. A field counts
// where it has a value: a value read right is a hit, one read wrong is both
// a false one and a missed one, one not read is missed, one read where
// there is none is false. Natura 2000 counts "named" as its value. The
// authority and the subject are compared by their first 30 characters
// (letter case, blanks and quotes aside): where a sentence ends is a matter
// of taste. Read and expected notices of a page are paired by the fields
// they share; an unpaired one counts all its values as false or missed.
namespace ogloszenia {

struct FieldScore
{
    QString field; // the JSON key: "rodzaj", "znak", …
    int hits = 0;
    int falseOnes = 0;
    int missed = 0;

    double precision() const;
    double recall() const;
    double f1() const;
};

class NoticeScorer
{
public:
    NoticeScorer();

    void AddPage(const QList<Notice>& expected, const QList<Notice>& read);

    const QList<FieldScore>& fields() const { return m_fields; }
    double F1(const QString& field) const;
    int pages() const { return m_pages; }
    int expectedNotices() const { return m_expected; }
    int readNotices() const { return m_read; }
    int pairedNotices() const { return m_paired; }

    // A plain-text table: one row per field with its counts and figures.
    QString Table() const;

private:
    void count(const Notice* expected, const Notice* read);

    QList<FieldScore> m_fields;
    int m_pages = 0;
    int m_expected = 0;
    int m_read = 0;
    int m_paired = 0;
};

// Notices written down as JSON lines (the command line's form).
QList<Notice> ReadExpectedNotices(const QByteArray& jsonLines);

} // namespace ogloszenia
