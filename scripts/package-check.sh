#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh), checks it with lintian (any
# error or warning fails), installs it, checks the installed programs and
# desktop files, removes it and checks that nothing it installed is left.
# Needs root (or sudo) and the packages of scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
dir="${1:-build-package}"
name=hvt-kp4rs

deb=$(scripts/package.sh "$dir")
echo "package: $deb"
dpkg-deb -f "$deb" Depends

# Informational tags and the overridden ones (with their reasons) are shown
# too; only errors and warnings fail.
report=$(mktemp)
trap 'rm -f "$report"' EXIT
lintian_status=0
lintian --display-info --show-overrides --fail-on error,warning "$deb" >"$report" 2>&1 ||
  lintian_status=$?
grep -v '^running with root privileges' "$report" || true
summary=""
for level in E W I O; do
  summary="$summary $level: $(grep -c "^$level: " "$report" || true)"
done
echo "lintian:$summary"
if [ "$lintian_status" != 0 ] || grep -q '^[EW]: ' "$report"; then
  echo "FAILED: lintian reports errors or warnings (status $lintian_status)"
  exit 1
fi
echo "ok: lintian reports no error and no warning"
# The changelog's latest entry is the package's version.
version=$(dpkg-deb -f "$deb" Version)
changes=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/$name/changelog.gz | gzip -dc | sed -n 1p)
case "$changes" in
  "$name ($version) "*) echo "ok: changelog starts with $version" ;;
  *) echo "FAILED: changelog starts with '$changes', the package is $version"; exit 1 ;;
esac

# A package left by an interrupted run would hide what this one installs.
if dpkg -s "$name" >/dev/null 2>&1; then $SUDO dpkg -r "$name" >/dev/null; fi
$SUDO dpkg -i "$deb" >/dev/null
installed=$(mktemp)
trap 'rm -f "$report" "$installed"' EXIT
dpkg -L "$name" | while read -r f; do [ -d "$f" ] || echo "$f"; done >"$installed"
echo "installed $(wc -l <"$installed") files"

fail=0
check() {
  local what="$1"; shift
  if "$@" >/dev/null 2>&1; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}
runtime=$(mktemp -d)
export XDG_RUNTIME_DIR="$runtime"
check "hvt-kp4rs --version" env QT_QPA_PLATFORM=offscreen /usr/bin/hvt-kp4rs --version
check "hvtctl --help" /usr/bin/hvtctl --help
check "hvt-sim --help" /usr/bin/hvt-sim --help
check "desktop-file-validate" desktop-file-validate /usr/share/applications/$name.desktop
check "appstreamcli validate" appstreamcli validate --no-net /usr/share/metainfo/com.korrin.hvt_kp4rs.metainfo.xml
check "man pages" man -w hvt-kp4rs hvtctl hvt-sim
check "icon in the theme" test -f /usr/share/icons/hicolor/48x48/apps/$name.png
check "copyright and changelog" test -f /usr/share/doc/$name/copyright -a -f /usr/share/doc/$name/changelog.gz
# shared-mime-info's trigger has rebuilt the database with the .plk type.
if [ -f /usr/share/mime/globs2 ]; then
  check "*.plk is application/x-hvt-kp4rs" grep -q 'application/x-hvt-kp4rs:\*\.plk' /usr/share/mime/globs2
fi
rm -rf "$runtime"

$SUDO dpkg -r "$name" >/dev/null
left=0
while read -r f; do
  if [ -e "$f" ]; then echo "left after removal: $f"; left=1; fi
done <"$installed"
if [ "$left" = 0 ]; then echo "ok: dpkg -r removed every installed file"; else fail=1; fi
if [ -f /usr/share/mime/globs2 ] && grep -q 'application/x-hvt-kp4rs' /usr/share/mime/globs2; then
  echo "FAILED: the MIME type is still registered"; fail=1
fi
exit "$fail"
