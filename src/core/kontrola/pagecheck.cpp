#include "kontrola/pagecheck.h"

#include "baza/fields.h"

void PageCheck::Classify()
{
    // 1. Date: a date newer than any the page showed before decides "new
    //    date", an equal one "unchanged"; an older date leaves the decision
    //    to the line count. A page without a date keeps the record's date:
    //    the check's own day is no date of the page, and taking it would
    //    make every notice dated before it look old.
    const double before = hasHistory ? previousPageDate : storedDate;
    if (dateFound) {
        if (pageDate > before)
            code = baza::KodNewDate;
        else if (pageDate == before)
            code = baza::KodUnchanged;
    } else {
        pageDate = storedDate;
    }
    // 2. Line count.
    if (code == kUndecided && lineCount > 0)
        code = lineCount != storedRow ? baza::KodRowsChanged : baza::KodUnchanged;
    // 3. Size, for pages without lines.
    if (code == kUndecided && size > 0)
        code = size != storedSize ? baza::KodSizeChanged : baza::KodUnchanged;
    // A first look at a page is no news about it: its measures, date and
    // text are only the base the next check compares with.
    if (IsBaseline() && code != kUndecided)
        code = baza::KodUnchanged;
}
