#!/usr/bin/python3
"""Reads a log of pages_server.py: connections, the most at once to one
address and overall, and the shortest pause between two connections to one
address, and the requests they carried.   checklog.py LOG"""
import collections
import sys

by_host = collections.defaultdict(list)
events = []
requests = 0
for line in open(sys.argv[1]):
    host, opened, closed, *carried = line.split()
    requests += int(carried[0]) if carried else 1
    by_host[host].append((float(opened), float(closed)))
    events += [(float(opened), 1), (float(closed), -1)]

most_per_host, shortest_pause = 0, None
for spans in by_host.values():
    spans.sort()
    current = []
    for opened, closed in spans:
        current = [c for c in current if c > opened]
        current.append(closed)
        most_per_host = max(most_per_host, len(current))
    for (o1, c1), (o2, c2) in zip(spans, spans[1:]):
        pause = o2 - c1
        shortest_pause = pause if shortest_pause is None else min(shortest_pause, pause)

at_once = most = 0
for _, step in sorted(events, key=lambda e: (e[0], e[1])):
    at_once += step
    most = max(most, at_once)
print("connections %d requests %d hosts %d most_at_once_per_host %d most_at_once %d shortest_pause_ms %.1f"
      % (len(events) // 2, requests, len(by_host), most_per_host, most,
         (shortest_pause or 0) * 1000))
