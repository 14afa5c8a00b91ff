#pragma once

// The C library looks at /etc/localtime again for every conversion to local
// time when TZ is not set: a run converts "now" a dozen times per page, so
// that was a dozen file look-ups per page on every thread. Called first thing
// in main(): with TZ unset, the system's zone file is read once, as TZ=":/etc/
// localtime" says (Qt reads that value as "the system's zone"). A TZ that is
// set stays as it is. The zone of a running program then no longer follows a
// change of the system's zone until it is started again; daylight saving
// time is in the file and still follows.
namespace LocalZone {

void ReadOnce();

} // namespace LocalZone
