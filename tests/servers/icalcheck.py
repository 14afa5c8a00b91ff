#!/usr/bin/python3
"""Reads an iCalendar file with Debian's python3-icalendar and prints what it
found as JSON: the calendar's version and product id, and every event's uid,
summary, description, url, start and end (ISO dates), whether the start is a
whole day, stamp, and its alarms (action, trigger in seconds, description)."""
import datetime
import json
import sys

import icalendar

cal = icalendar.Calendar.from_ical(open(sys.argv[1], "rb").read())


def day(value):
    v = value.dt if value is not None else None
    return v.isoformat() if v is not None else None


events = []
for e in cal.walk("VEVENT"):
    start = e.get("DTSTART")
    alarms = []
    for a in e.walk("VALARM"):
        trigger = a.get("TRIGGER").dt
        alarms.append({
            "action": str(a.get("ACTION")),
            "trigger": int(trigger.total_seconds()) if isinstance(trigger, datetime.timedelta) else None,
            "description": str(a.get("DESCRIPTION")),
        })
    events.append({
        "uid": str(e.get("UID")),
        "summary": str(e.get("SUMMARY")),
        "description": str(e.get("DESCRIPTION")),
        "url": str(e.get("URL")) if e.get("URL") is not None else None,
        "start": day(start),
        "end": day(e.get("DTEND")),
        "allday": isinstance(start.dt, datetime.date) and not isinstance(start.dt, datetime.datetime),
        "stamp": day(e.get("DTSTAMP")),
        "alarms": alarms,
    })
print(json.dumps({
    "version": str(cal.get("VERSION")),
    "prodid": str(cal.get("PRODID")),
    "events": events,
}, ensure_ascii=False))
