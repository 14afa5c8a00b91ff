#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# but only those that are missing. Runs apt-get as root (through sudo when
# the caller is not root).
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
  qt6-translations-l10n
  libcurl4-openssl-dev libssl-dev ca-certificates
  libsqlite3-dev libgumbo-dev libxml2-dev zlib1g-dev sqlite3
  libpoppler-cpp-dev libzip-dev
  python3 python3-pyftpdlib python3-aiosmtpd python3-feedparser python3-icalendar
  python3-reportlab
  fonts-dejavu-core
  xvfb xauth
  systemd lintian xdg-utils file
  libbenchmark-dev
  fp-compiler fp-units-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Instaluję brakujące pakiety: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
