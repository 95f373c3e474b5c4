#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and checks that an
# installed desktop finds everything: the programs on the search path, the
# desktop entry and its icon, the metainfo, the man pages; that the entry and
# the metainfo validate; that the installed programs run.
# Arguments: the build's CPackConfig.cmake, the component id, 1 when the
# capture program is built.
set -euo pipefail
config="$1" id="$2" with_capture="$3"
work="$(mktemp -d)"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cpack --config "$config" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
debs=("$work"/out/*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || { fail "no single package in $work/out"; exit 1; }
dpkg-deb -f "${debs[0]}" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries"
root="$work/root"
dpkg -x "${debs[0]}" "$root"

share="$root/usr/share"
for path in usr/bin/orvik3 usr/bin/qelsim usr/libexec/orvik3/orvik3; do
    [ -x "$root/$path" ] || fail "$path is not an installed program"
done
[ "$with_capture" != 1 ] || [ -x "$root/usr/libexec/orvik3/Zomra.exe" ] ||
    fail "Zomra.exe is not next to orvik3"
desktop="$share/applications/$id.desktop"
metainfo="$share/metainfo/$id.metainfo.xml"
report="$(desktop-file-validate "$desktop" 2>&1)" && [ -z "$report" ] ||
    fail "$desktop does not validate cleanly: $report"
appstreamcli validate --no-net "$metainfo" || fail "$metainfo does not validate"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"
exec_name="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
[ -x "$root/usr/bin/$exec_name" ] || fail "the entry starts '$exec_name', which is not in usr/bin"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 16 24 32 48 64 128 256; do
    picture="$share/icons/hicolor/${size}x$size/apps/$icon.png"
    file "$picture" | grep -q "PNG image data, $size x $size" || fail "$picture is not $size x $size"
done

# Every option the installed programs offer is in their man pages.
help="$("$root/usr/bin/qelsim" --help)" || fail "the installed qelsim --help failed"
programs=(qelsim)
[ "$with_capture" != 1 ] || programs+=(Zomra.exe)
for program in "${programs[@]}"; do
    page="$share/man/man1/$program.1.gz"
    [ "$program" = qelsim ] || help="$("$root/usr/libexec/orvik3/$program" --help)" ||
        fail "the installed $program --help failed"
    for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        # grep reads to the end: with pipefail, grep -q stopping early would
        # make a longer page's sed fail on a closed pipe.
        zcat "$page" | sed 's/\\-/-/g' | grep -- "$option" >/dev/null || fail "$page lacks $option"
    done
done
zcat "$share/man/man1/orvik3.1.gz" | grep -q '^\.TH ORVIK3 1' || fail "no orvik3 man page"

# The launcher runs the program from a directory of the operator's own when
# the installed one is not writable: run it as another user, or with the
# installed directory read-only, and look where the running program lies.
home="$work/home"
mkdir -m 700 "$home"
as_operator=()
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work"
    chown 65534:65534 "$home"
    as_operator=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod a-w "$root/usr/libexec/orvik3"
fi
env -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$home" \
    "${as_operator[@]}" "$root/usr/bin/orvik3" >"$work/run.log" 2>&1 &
pid=$!
own="$home/.local/share/orvik3"
for _ in $(seq 100); do
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$own/orvik3" ] && break
    sleep 0.1
done
[ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$own/orvik3" ] ||
    { fail "the launcher did not run $own/orvik3"; cat "$work/run.log" >&2; }
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
cmp -s "$own/orvik3" "$root/usr/libexec/orvik3/orvik3" || fail "$own/orvik3 is not the installed program"
[ "$with_capture" != 1 ] || grep -q -- "--config" "$own/Zomra.exe" ||
    fail "$own/Zomra.exe does not hand over its directory's Zomra.cfg"

echo "package checks: $failures failures"
[ "$failures" -eq 0 ]
