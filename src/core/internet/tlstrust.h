#pragma once

#include <QString>

// Which certificates the page requests trust. Certificates are always
// verified; by default against the system's CA store, or against the file
// that the environment variable EKOWARTA_CA_FILE names. Tests that run a
// local TLS server with a certificate of their own point this at that
// certificate.
namespace TlsTrust {

// An empty path restores the system's store; returns the previous path.
QString setCaFileForTests(const QString& path);
QString caFileForTests();

} // namespace TlsTrust
