#!/usr/bin/env bash
# Makes the Debian package (scripts/package.sh) and checks it as the store's
# technician would meet it: what it installs and depends on, that nothing is
# enabled on installation, that the program it carries starts, that the manual
# page renders cleanly and documents every option the program offers, and
# that the units and the configuration agree on the chain's file.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(scripts/package.sh)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

# What the package must and must not install.
expected=(
  ./usr/bin/lis06c
  ./usr/share/man/man1/lis06c.1.gz
  ./usr/share/applications/lis06c.desktop
  ./usr/share/doc/lis06c/examples/lis06c.conf
  ./etc/lis06c.conf
  ./lib/systemd/system/lis06c.service
  ./lib/systemd/system/lis06c.timer
  ./lib/systemd/system/lis06c.path
)
unexpected=(./usr/bin/lis06c-gen ./usr/bin/lis06c-bench ./usr/local/)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in "${expected[@]}"; do grep -qxF "$path" <<<"$contents" || fail "$path is not in the package"; done
for path in "${unexpected[@]}"; do grep -qxF "$path" <<<"$contents" && fail "$path should not be in the package"; done

# The libraries and data the program loads, by package name.
depends=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libqt6printsupport6
         libssl3 fonts-liberation qt6-translations-l10n)
declared=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{print $1}')
for p in "${depends[@]}"; do grep -qxF "$p" <<<"$declared" || fail "Depends lacks $p"; done

# The configuration is a conffile; no maintainer script enables a unit.
dpkg-deb -e "$deb" "$scratch/DEBIAN"
[ "$(cat "$scratch/DEBIAN/conffiles" 2>/dev/null)" = /etc/lis06c.conf ] || fail "conffiles should list /etc/lis06c.conf only"
for script in preinst postinst prerm postrm; do
  [ -e "$scratch/DEBIAN/$script" ] && fail "unexpected maintainer script $script"
done

dpkg -x "$deb" "$scratch/root"
root="$scratch/root"

# The program from the package starts, without a display, and says its version.
version=$(dpkg-deb -f "$deb" Version)
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/lis06c" --version 2>/dev/null) || fail "lis06c --version failed"
[ "$out" = "lis06c $version" ] || fail "lis06c --version said '$out', not 'lis06c $version'"

# The manual page: no groff warnings, every section, every option of --help.
page="$root/usr/share/man/man1/lis06c.1.gz"
warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1) || true
[ -z "$warnings" ] || fail "groff warns on the manual page: $warnings"
rendered=$(MANWIDTH=80 LC_ALL=C.UTF-8 man -l "$page" 2>"$scratch/man.err") || fail "man -l failed"
[ -s "$scratch/man.err" ] && fail "man -l: $(cat "$scratch/man.err")"
sections=(NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES "SEE ALSO")
for s in "${sections[@]}"; do grep -qx "$s" <<<"$rendered" || fail "the manual page has no section $s"; done
options=$("$root/usr/bin/lis06c" --help 2>/dev/null | grep -o -- '--[a-z][a-z-]*' | grep -vx -- '--help-all' | sort -u)
for o in $options; do  # each one heads an entry of its own
  grep -qE -- "^ +(-[a-z], )?$o( |,|\$)" <<<"$rendered" || fail "the manual page does not document $o"
done

# The units: one headless run, a daily timer, the path unit on the chain's
# file of the root the shipped configuration names.
units="$root/lib/systemd/system"
chain_file="$(sed -n 's/^root=//p' "$root/etc/lis06c.conf")/nelv/acq_var.txt"
unit_lines=(
  "lis06c.service|Type=oneshot"
  "lis06c.service|ExecStart=/usr/bin/lis06c --headless --config /etc/lis06c.conf"
  "lis06c.timer|OnCalendar=daily"
  "lis06c.timer|Persistent=true"
  "lis06c.timer|WantedBy=timers.target"
  "lis06c.path|PathChanged=$chain_file"
  "lis06c.path|WantedBy=paths.target"
)
for row in "${unit_lines[@]}"; do
  unit=${row%%|*}; line=${row#*|}
  grep -qxF "$line" "$units/$unit" || fail "$unit lacks the line $line"
done
desktop-file-validate "$root/usr/share/applications/lis06c.desktop" || fail "the desktop entry is not valid"

if [ "$failures" -gt 0 ]; then
  echo "check-package: $failures problem(s) in $deb" >&2
  exit 1
fi
echo "check-package: $deb is good"
