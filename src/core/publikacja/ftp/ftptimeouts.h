#pragma once

namespace publikacja {

// Limits of one FTP transfer, so that a server that stops answering cannot
// hold the program (which waits on the main thread) for ever. Tests shorten
// them to meet a silent server quickly.
struct FtpTimeouts
{
    int connectSeconds = 60;  // connection and login
    int responseSeconds = 60; // any one answer of the server
    int lowSpeedSeconds = 60; // a transfer moving no data at all
};

FtpTimeouts CurrentFtpTimeouts();
void SetFtpTimeouts(const FtpTimeouts& timeouts);

} // namespace publikacja
