#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

// Versions of the pages in tests/fixtures/bip: the common BIP layouts with
// their counters, clocks and stamps, and the new notice one version brings.
namespace bipcorpus {

struct Version
{
    QDate day;          // the day the page was generated (and checked)
    int serial = 0;     // which version: every counter, time and figure moves with it
    bool notice = false; // the new notice is on the page
};

// The layouts' names (the templates' file names without ".html").
QStringList Layouts();

// The page's bytes in its own charset, and the Content-Type it is served with.
QByteArray Page(const QString& layout, const Version& v);
QByteArray ContentType(const QString& layout);

// The lines of visible text that only the notice brings to the version
// (worked out by taking the notice out of the same version, its row number
// kept, and counting the lines of both texts, no noise rules involved),
// sorted: a repeated line may be told apart at either of its places.
QStringList NoticeLines(const QString& layout, const Version& v);

} // namespace bipcorpus
