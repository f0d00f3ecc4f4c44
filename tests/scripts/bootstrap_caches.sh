#!/usr/bin/env bash
# The caches of scripts/bootstrap's cross-built source packages, run against
# a stand-in archive: apt-cache, apt-get and dpkg-source on PATH that serve
# versions listed in files, and builders that only leave their stamp. Each
# "run" is the bootstrap's build_decoders in a shell of its own, as a real
# run would do it, with .deps/ in a temporary folder.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAKE="$WORK/fake"
DEPS="$WORK/deps"
mkdir -p "$FAKE/bin" "$FAKE/index" "$FAKE/served" "$DEPS" "$WORK/patches"
touch "$FAKE/generation"
export FAKE

# apt-cache showsrc PKG: the versions in index/PKG.
cat >"$FAKE/bin/apt-cache" <<'EOF'
#!/usr/bin/env bash
[ "$1" = showsrc ] && [ -f "$FAKE/index/$2" ] || exit 0
while read -r v; do printf 'Package: %s\nVersion: %s\n\n' "$2" "$v"; done <"$FAKE/index/$2"
EOF
# apt-get source --download-only -qq PKG=VERSION: a .dsc when served/PKG=VERSION
# exists, else apt's 404; nothing at all while the file "offline" exists.
# Every request is counted in "fetches".
cat >"$FAKE/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
request="${*: -1}"
echo "$request" >>"$FAKE/fetches"
if [ -f "$FAKE/offline" ]; then echo "E: Failed to fetch the archive  Temporary failure resolving"; exit 100; fi
if [ ! -f "$FAKE/served/$request" ]; then echo "E: Failed to fetch the archive  404  Not Found"; exit 100; fi
echo "${request/=/ }" >"${request%%=*}_${request#*=}.dsc"
EOF
# dpkg-source -x --no-check DSC DIR: a tree with every licence file that the
# bootstrap keeps and VERSION; with the file "break-unpack" it stops half-way
# once, as an interrupted unpack would, leaving an incomplete DIR.
cat >"$FAKE/bin/dpkg-source" <<'EOF'
#!/usr/bin/env bash
dsc="$3" dir="$4"
[ ! -e "$dir" ] || { echo "dpkg-source: $dir exists" >&2; exit 2; }
mkdir -p "$dir/doc" "$dir/src/ext/x86"
if [ -f "$FAKE/break-unpack" ]; then rm -f "$FAKE/break-unpack"; exit 2; fi
cp "$dsc" "$dir/VERSION"
for f in COPYING LICENSE LICENSE.md README.ijg PATENTS doc/PATENTS; do echo "licence" >"$dir/$f"; done
printf '; notice\n\ncode\n' >"$dir/src/ext/x86/x86inc.asm"
EOF
chmod +x "$FAKE/bin/"*

# What the bootstrap is given in place of the real builders and machine:
# each build writes its stamp and a line "PKG VERSION TARGET" to "builds",
# and refuses a tree without its VERSION (one unpacked only half-way).
cat >"$WORK/stand-ins.sh" <<EOF
DEPS="$DEPS"
PATCHES="$WORK/patches"
source_index_state() { cat "\$FAKE"/index/* "\$FAKE"/generation | md5sum; }
EOF
cat >>"$WORK/stand-ins.sh" <<'EOF'
fake_build() {  # stamp below install/, target, tree, install folder
    [ -f "$3/VERSION" ] || { echo "no whole tree in $3"; return 1; }
    mkdir -p "$(dirname "$4/$1")"
    echo "built" >"$4/$1"
    echo "$(cat "$3/VERSION") $2" >>"$FAKE/builds"
}
build_libjpeg() { fake_build lib/libjpeg.a "$@"; }
build_dav1d() { fake_build lib/libdav1d.a "$@"; }
build_libde265() { fake_build bin/libde265.dll "$@"; }
build_libheif() { fake_build bin/libheif.dll "$@"; }
build_libwebp() { fake_build lib/libwebp.a "$@"; }
build_lcms2() { fake_build lib/liblcms2.a "$@"; }
build_zlib() { fake_build lib/libz.a "$@"; }
EOF

# The archive: versions listed (index) and versions served. The state of the
# index changes with its lists and with each apt_get_update.
list() { local pkg="$1"; shift; printf '%s\n' "$@" >"$FAKE/index/$pkg"; }
apt_get_update() { echo >>"$FAKE/generation"; }
serve() { touch "$FAKE/served/$1=$2"; }
list libjpeg-turbo 1:2.1.5-2 && serve libjpeg-turbo 1:2.1.5-2
list dav1d 1.0.0-2+deb12u1 && serve dav1d 1.0.0-2+deb12u1
list libde265 1.0.11-1+deb12u2 && serve libde265 1.0.11-1+deb12u2
# The newest libheif listed is not served.
list libheif 1.15.1-1+deb12u1 1.15.1-1+deb12u3 && serve libheif 1.15.1-1+deb12u1
list libwebp 1.2.4-0.2+deb12u1 && serve libwebp 1.2.4-0.2+deb12u1
list lcms2 2.14-2+deb12u1 && serve lcms2 2.14-2+deb12u1
list zlib 1:1.2.13.dfsg-1 && serve zlib 1:1.2.13.dfsg-1

PASSED=0
FAILED=0
check() {  # description, command...
    local what="$1"
    shift
    if "$@"; then PASSED=$((PASSED + 1)); else FAILED=$((FAILED + 1)); echo "FAIL: $what"; fi
}
# One bootstrap run: RC, and the requests and builds it made in FETCHES and
# BUILDS (one line each, sorted).
run() {
    rm -f "$FAKE/fetches" "$FAKE/builds"
    RC=0
    PATH="$FAKE/bin:$PATH" bash -c 'source "$1/scripts/bootstrap"; source "$2"; build_decoders' \
        bootstrap "$ROOT" "$WORK/stand-ins.sh" >"$WORK/run.log" 2>&1 || RC=$?
    FETCHES="$(sort "$FAKE/fetches" 2>/dev/null)"
    BUILDS="$(sort "$FAKE/builds" 2>/dev/null)"
}
is() {  # expected, actual
    [ "$1" = "$2" ] && return 0
    printf '  expected: %s\n  actual:   %s\n' "${1//$'\n'/ | }" "${2//$'\n'/ | }"
    echo "  its output:"; sed 's/^/    /' "$WORK/run.log"
    return 1
}
both() { echo "$1 win32"; echo "$1 win64"; }
link_of() { readlink "$DEPS/$1-$2"; }

# --- A first run builds everything, a second nothing ------------------------
run
check "a first run succeeds" is 0 "$RC"
check "a first run builds every package for both targets, libheif's newest served revision" is \
    "$( (both "dav1d 1.0.0-2+deb12u1"; both "libde265 1.0.11-1+deb12u2"; both "libheif 1.15.1-1+deb12u1"
         both "libjpeg-turbo 1:2.1.5-2"; both "libwebp 1.2.4-0.2+deb12u1"; both "lcms2 2.14-2+deb12u1"
         both "zlib 1:1.2.13.dfsg-1") | sort)" "$BUILDS"
check "libheif's unserved revision is asked for once" is 1 "$(grep -c 'libheif=1.15.1-1+deb12u3' <<<"$FETCHES")"
check "libheif's link names the build" is libheif-1.15.1-1+deb12u1-win64 "$(link_of libheif win64)"
check "no source tree is left" is "" "$(cd "$DEPS" && ls -d ./*-src 2>/dev/null)"
check "libheif's key names the libde265 and dav1d it links" is \
    $'links libde265-1.0.11-1+deb12u2-win32\nlinks dav1d-1.0.0-2+deb12u1-win32' \
    "$(cat "$DEPS/libheif-1.15.1-1+deb12u1-win32/key")"

run
check "a second run succeeds" is 0 "$RC"
check "a second run asks nothing of the archive" is "" "$FETCHES"
check "a second run builds nothing" is "" "$BUILDS"

# --- A build that was deleted is made again, and nothing else ---------------
rm -rf "$DEPS/libwebp-1.2.4-0.2+deb12u1-win32"
run
check "a deleted build is made again, alone" is "libwebp 1.2.4-0.2+deb12u1 win32" "$BUILDS"
check "only its source is fetched" is "libwebp=1.2.4-0.2+deb12u1" "$FETCHES"
# libde265 made again at the same version: the same library, libheif stays.
rm -rf "$DEPS/libde265-1.0.11-1+deb12u2-win64"
run
check "a dependency made again at its version leaves libheif as it is" is "libde265 1.0.11-1+deb12u2 win64" "$BUILDS"

# --- A half-unpacked source tree is never used ------------------------------
rm -rf "$DEPS/dav1d-1.0.0-2+deb12u1-win64"
touch "$FAKE/break-unpack"
run
check "an unpack that stops half-way fails the run" test "$RC" -ne 0
check "and leaves no tree that looks whole" test ! -e "$DEPS/dav1d-1.0.0-2+deb12u1-src/tree"
run
check "the next run fetches the source again" is "dav1d=1.0.0-2+deb12u1" "$FETCHES"
check "and builds dav1d for win64 alone, from a whole tree" is "dav1d 1.0.0-2+deb12u1 win64" "$BUILDS"
check "that run succeeds" is 0 "$RC"

# --- A new Debian revision replaces the build of an older one ---------------
list libwebp 1.2.4-0.2+deb12u1 1.2.4-0.2+deb12u2 && serve libwebp 1.2.4-0.2+deb12u2
run
check "a new revision of libwebp is built for both targets" is "$(both "libwebp 1.2.4-0.2+deb12u2")" "$BUILDS"
check "and linked" is libwebp-1.2.4-0.2+deb12u2-win32 "$(link_of libwebp win32)"
run
check "the run after it asks nothing and builds nothing" is "" "$FETCHES$BUILDS"

# A new dav1d makes libheif again (it is linked into libheif.dll), for both
# targets, and the next run leaves both alone.
list dav1d 1.0.0-2+deb12u1 1.0.0-2+deb12u2 && serve dav1d 1.0.0-2+deb12u2
run
check "a new dav1d makes dav1d and libheif again" is \
    "$( (both "dav1d 1.0.0-2+deb12u2"; both "libheif 1.15.1-1+deb12u1") | sort)" "$BUILDS"
check "libheif's key names the new dav1d" grep -qx 'links dav1d-1.0.0-2+deb12u2-win64' \
    "$DEPS/libheif-1.15.1-1+deb12u1-win64/key"
run
check "then nothing more" is "" "$FETCHES$BUILDS"
list libde265 1.0.11-1+deb12u2 1.0.11-1+deb12u5 && serve libde265 1.0.11-1+deb12u5
run
check "a new libde265 makes libde265 and libheif again" is \
    "$( (both "libde265 1.0.11-1+deb12u5"; both "libheif 1.15.1-1+deb12u1") | sort)" "$BUILDS"

# --- Unserved revisions -----------------------------------------------------
# The archive lists a new libheif revision it does not serve: asked for once,
# then remembered under this index; the build at hand stays.
list libheif 1.15.1-1+deb12u1 1.15.1-1+deb12u3 1.15.1-1+deb12u4
run
check "an unserved new revision is asked for, and under a new index the older unserved one too" is \
    $'libheif=1.15.1-1+deb12u3\nlibheif=1.15.1-1+deb12u4' "$FETCHES"
check "and the build at hand kept" is "" "$BUILDS"
run
check "and not asked for again under the same index" is "" "$FETCHES"
# Once the archive serves it, a new index (apt-get update) has it built.
serve libheif 1.15.1-1+deb12u4
run
check "under the same index it is still not asked for" is "" "$FETCHES"
apt_get_update
run
check "a new index asks for it again" is "libheif=1.15.1-1+deb12u4" "$FETCHES"
check "and builds the one now served" is "$(both "libheif 1.15.1-1+deb12u4")" "$BUILDS"

# A revision that did not download for another reason (no network) is asked
# for again each run, and the run goes on with the build at hand.
list libjpeg-turbo 1:2.1.5-2 1:2.1.5-3 && serve libjpeg-turbo 1:2.1.5-3
touch "$FAKE/offline"
run
check "without the network the build at hand is kept and the run succeeds" is "0:" "$RC:$BUILDS"
check "and says so" grep -q "keeping libjpeg-turbo 1:2.1.5-2" "$WORK/run.log"
rm -f "$FAKE/offline"
run
check "with the network back the new revision is fetched and built" is "$(both "libjpeg-turbo 1:2.1.5-3")" "$BUILDS"

# --- Patches join a package's key -------------------------------------------
mkdir -p "$WORK/patches/libwebp"
echo "first" >"$WORK/patches/libwebp/01-fix.patch"
run
check "a new patch makes the package again" is "$(both "libwebp 1.2.4-0.2+deb12u2")" "$BUILDS"
run
check "an unchanged patch makes nothing" is "" "$BUILDS"
echo "second" >"$WORK/patches/libwebp/01-fix.patch"
run
check "a changed patch makes the package again" is "$(both "libwebp 1.2.4-0.2+deb12u2")" "$BUILDS"
mkdir -p "$WORK/patches/libde265"
echo "first" >"$WORK/patches/libde265/01-fix.patch"
run
check "a patch of libde265 makes libde265 and libheif again" is \
    "$( (both "libde265 1.0.11-1+deb12u5"; both "libheif 1.15.1-1+deb12u4") | sort)" "$BUILDS"
rm "$WORK/patches/libwebp/01-fix.patch"
run
check "a patch taken away makes the package again" is "$(both "libwebp 1.2.4-0.2+deb12u2")" "$BUILDS"
run
check "and then nothing more" is "" "$FETCHES$BUILDS"

echo "bootstrap_caches: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
