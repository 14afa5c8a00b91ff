#!/usr/bin/env bash
# tst_package BUILD_DIR CPACK: builds the .deb, checks what it holds and what
# it depends on, then unpacks it and runs both programs from the unpacked
# tree as an installed program runs: data in the user's folder, manual found
# in share/ekowarta.
set -euo pipefail
build="$1"
cpack="${2:-cpack}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { local what="$1"; shift; if "$@"; then echo "PASS: $what"; else fail "$what"; fi; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb="$(ls "$work"/out/ekowarta_*.deb)"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#' >"$work/files"

for f in /usr/bin/ekowarta /usr/bin/ekowarta-cli /usr/share/ekowarta/instrukcja.pdf \
         /usr/share/applications/ekowarta.desktop /usr/share/icons/hicolor/48x48/apps/ekowarta.png \
         /usr/share/icons/hicolor/256x256/apps/ekowarta.png \
         /usr/share/doc/ekowarta/copyright /usr/share/doc/ekowarta/changelog.gz \
         /usr/share/man/man1/ekowarta.1.gz /usr/share/man/man1/ekowarta-cli.1.gz \
         /usr/libexec/ekowarta/ekowarta-dokument; do
  check "package holds $f" grep -qx "$f" "$work/files"
done
check "no test or build-time programs" bash -c "! grep -E '/(tst_|bench_|ekowarta-manual|ekowarta-icon)' '$work/files'"
check "everything under /usr" bash -c "! grep -vE '^/(usr(/.*)?)?$' '$work/files'"

# Every library the programs are linked with belongs to a package in Depends.
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
dpkg-deb -x "$deb" "$work/root"
for program in bin/ekowarta bin/ekowarta-cli libexec/ekowarta/ekowarta-dokument; do
  binary="$work/root/usr/$program"
  for needed in $(objdump -p "$binary" | awk '/NEEDED/ {print $2}'); do
    path="$(ldd "$binary" | awk -v lib="$needed" '$1 == lib {print $3} $1 ~ "/" lib "$" {print $1}' | head -n1)"
    real="$(readlink -f "$path")"
    owner="$(dpkg -S "$real" 2>/dev/null || dpkg -S "${real#/usr}" 2>/dev/null || dpkg -S "/usr$real" 2>/dev/null || true)"
    package="${owner%%:*}"
    check "$program: $needed ($package) is in Depends" \
      bash -c "[ -n '$package' ] && printf '%s' '$depends' | tr ',' '\n' | sed 's/(.*//; s/ //g' | grep -qx '$package'"
  done
done
check "Qt platform plugins in Depends" bash -c "printf '%s' '$depends' | grep -q qt6-qpa-plugins"
check "Qt's Polish texts in Depends" bash -c "printf '%s' '$depends' | grep -q qt6-translations-l10n"

desktop="$work/root/usr/share/applications/ekowarta.desktop"
check "desktop entry starts ekowarta" grep -qx "Exec=ekowarta" "$desktop"
check "desktop entry names the icon" grep -qx "Icon=ekowarta" "$desktop"
recommends="$(dpkg-deb -f "$deb" Recommends)"
echo "Recommends: $recommends"
check "xdg-utils recommended" bash -c "printf '%s' '$recommends' | tr ',' '\n' | grep -qx ' *xdg-utils'"
check "a PDF viewer recommended, any of several" bash -c "printf '%s' '$recommends' | grep -q 'evince | .*pdf-viewer'"
check "copyright is machine-readable" bash -c "head -n1 '$work/root/usr/share/doc/ekowarta/copyright' | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/'"
check "changelog names this version" bash -c "zcat '$work/root/usr/share/doc/ekowarta/changelog.gz' | head -n1 | grep -q '^ekowarta ($(dpkg-deb -f "$deb" Version))'"
check "manual page of ekowarta-cli lists the schedule command" bash -c "zcat '$work/root/usr/share/man/man1/ekowarta-cli.1.gz' | grep -q '^.B schedule'"
if command -v lintian >/dev/null; then
  # Errors fail the test; warnings are shown.
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  check "lintian reports no error" bash -c "! grep -q '^E: ' '$work/lintian.log'"
else
  echo "SKIP: lintian is not installed"
fi
check "manual is a PDF" bash -c "head -c 5 '$work/root/usr/share/ekowarta/instrukcja.pdf' | grep -q '%PDF-'"

# Run as installed: a home of its own, nothing written beside the programs.
export HOME="$work/home"
unset XDG_DATA_HOME XDG_CONFIG_HOME
mkdir -p "$HOME"
printf 'Gmina;Natura2000;Wojewodztwo\r\nKampinos;PLC140001 Puszcza Kampinoska;mazowieckie\r\n' >"$work/rejestr.csv"
check "installed ekowarta-cli answers --help" bash -c "'$work/root/usr/bin/ekowarta-cli' --help | grep -q '^Użycie'"
check "installed ekowarta-cli names the user's folder as its data folder" \
  bash -c "'$work/root/usr/bin/ekowarta-cli' --help | grep -qx 'Tutaj jest to: $HOME/.local/share/ekowarta/'"
check "installed ekowarta answers --version without a screen" \
  bash -c "QT_QPA_PLATFORM=none '$work/root/usr/bin/ekowarta' --version | grep -q '^ekowarta [0-9]'"
check "installed ekowarta-cli imports into the user's folder" \
  "$work/root/usr/bin/ekowarta-cli" import "$work/rejestr.csv"
check "register is in ~/.local/share/ekowarta" test -f "$HOME/.local/share/ekowarta/baza.dbf"
check "installed ekowarta-cli lists it" bash -c "'$work/root/usr/bin/ekowarta-cli' list | grep -q Kampinos"
check "installed ekowarta opens its window" \
  "$work/root/usr/bin/ekowarta" --screenshot "$work/okno.png"
check "window picture saved" test -s "$work/okno.png"
check "installed document reader runs and answers in Polish" \
  bash -c "head -c 100 /dev/zero | '$work/root/usr/libexec/ekowarta/ekowarta-dokument' --type pdf 2>&1 | grep -qx 'powod: uszkodzony plik PDF'"
check "nothing written beside the programs" bash -c "[ \$(ls '$work/root/usr/bin' | wc -l) -eq 2 ]"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all package checks passed"
