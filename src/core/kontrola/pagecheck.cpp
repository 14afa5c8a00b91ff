#include "kontrola/pagecheck.h"

#include "baza/fields.h"

void PageCheck::Classify(double now)
{
    // 1. Date: a newer date decides "new date", an equal one "unchanged";
    //    an older date leaves the decision to the line count. Without a
    //    date the page is dated by the moment of the check.
    if (dateFound) {
        if (pageDate > storedDate)
            code = baza::KodNewDate;
        else if (pageDate == storedDate)
            code = baza::KodUnchanged;
    } else {
        pageDate = now;
    }
    // 2. Line count.
    if (code == kUndecided && lineCount > 0)
        code = lineCount != storedRow ? baza::KodRowsChanged : baza::KodUnchanged;
    // 3. Size, for pages without lines.
    if (code == kUndecided && size > 0)
        code = size != storedSize ? baza::KodSizeChanged : baza::KodUnchanged;
}
