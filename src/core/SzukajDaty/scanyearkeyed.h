#pragma once

#include "SzukajDaty/szukajdaty.h"

// The scans with their key and "now" worked out by the caller, so that a
// search of one year makes them once for all its lines, not once per line.
// The year of best is always the year of the key.
DateScan ScanYearFirstKeyed(QByteArrayView line, QByteArrayView key, double best, double now);
DateScan ScanYearLastKeyed(QByteArrayView line, QByteArrayView key, double best, double now);
