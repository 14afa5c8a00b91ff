#!/usr/bin/python3
"""Reads an Atom feed with Debian's feedparser and prints what it found as
JSON: bozo (1 when the feed is not well-formed), version, the feed's id,
title and updated, and every entry's id, title, link, updated and summary."""
import json
import sys

import feedparser

d = feedparser.parse(open(sys.argv[1], "rb").read())
print(json.dumps({
    "bozo": int(d.bozo),
    "version": d.version,
    "id": d.feed.get("id"),
    "title": d.feed.get("title"),
    "updated": d.feed.get("updated"),
    "author": d.feed.get("author"),
    "entries": [{
        "id": e.get("id"),
        "title": e.get("title"),
        "link": e.get("link"),
        "updated": e.get("updated"),
        "summary": e.get("summary"),
    } for e in d.entries],
}, ensure_ascii=False))
