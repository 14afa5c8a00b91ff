#pragma once

#include <QString>

// One line of the update list wykaz.txt:
//   Dnia 5 marca 2008 wprowadzono zmiany na stronie gminy <a href="U"
//   target=_blank><b>Abc</b></a> (obszar Natura 2000: Xyz). <hr>
// (one line in the file).
namespace publikacja {

// "stycznia" … "grudnia" for 1 … 12; the empty text for any other number.
QString MonthGenitive(int month);

// The four characters that would break the HTML of a line (&, <, >, ")
// as entities; everything else as it is.
QString HtmlEscaped(const QString& text);

// date: a date value (days from 1899-12-30); the zero date gives
// "Dnia 30 grudnia 1899". The three texts go in HTML-escaped, so that a
// name with "&" or "<" cannot break the page that shows the list.
QString MakeEntry(const QString& municipality, const QString& area, const QString& url, double date);

// The date a marked record is published with: its Aktualizacja, the date
// found on its page; for a page that shows no date (Aktualizacja empty) the
// day of the check that saw the change, DataKontroli.
double EntryDate(double aktualizacja, double dataKontroli);

} // namespace publikacja
