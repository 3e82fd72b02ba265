#!/usr/bin/env bash
# Makes the Debian package from the binaries already built in BUILD_DIR,
# unpacks it into a scratch root and checks what it installs: the files, the
# dependencies, the validators' verdicts, and the installed kt-extract at work.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in 7zip libarchive13 libqt6widgets6 libqt6core6 'libc6 (>='; do
    [[ $depends == *"$dep"* ]] || fail "Depends lacks $dep"
done

root=$work/root
dpkg -x "$deb" "$root"
for f in bin/kt-extract bin/kt-extractor \
    share/applications/kt-extractor.desktop \
    share/icons/hicolor/scalable/apps/kt-extractor.svg \
    share/metainfo/io.github.kt_extractor.kt_extractor.metainfo.xml \
    share/man/man1/kt-extract.1 \
    share/bash-completion/completions/kt-extract \
    share/kio/servicemenus/kt-extractor-dolphin.desktop \
    share/nemo/actions/kt-extractor-extract-here.nemo_action \
    share/nemo/actions/kt-extractor-extract-to.nemo_action \
    "share/kt-extractor/nautilus-scripts/Extract Here" \
    "share/kt-extractor/nautilus-scripts/Extract To…"; do
    [ -f "$root/usr/$f" ] || fail "missing /usr/$f"
done
[ -x "$root/usr/share/kt-extractor/nautilus-scripts/Extract Here" ] || fail "the Nautilus script is not executable"
[ -x "$root/usr/share/kio/servicemenus/kt-extractor-dolphin.desktop" ] || fail "the service menu is not executable"

out=$(desktop-file-validate "$root/usr/share/applications/kt-extractor.desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate warns: $out"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.kt_extractor.kt_extractor.metainfo.xml" \
    >"$work/as.log" 2>&1 || { cat "$work/as.log"; fail "appstreamcli validate"; }
man --warnings -l "$root/usr/share/man/man1/kt-extract.1" 2>&1 >/dev/null | grep . && fail "man page warnings"

export XDG_CONFIG_HOME=$work/config
"$root/usr/bin/kt-extract" --help | grep -q '^Usage: kt-extract \[options\] ARCHIVE\.\.\.$' || fail "kt-extract --help"
mkdir -p "$work/src/album" "$work/out"
printf 'one' >"$work/src/album/one.txt"
printf 'two' >"$work/src/album/two.txt"
(cd "$work/src" && bsdtar -a -cf "$work/album.zip" album)
created=$("$root/usr/bin/kt-extract" -q -o "$work/out" "$work/album.zip")
[ "$created" = "$work/out/album" ] || fail "kt-extract printed '$created'"
[ "$(cat "$work/out/album/two.txt")" = two ] || fail "extracted content"

# The installed completion offers the options and the encodings.
replies=$(PATH="$root/usr/bin:$PATH" bash -c '
    shopt -s extglob
    source "$1"
    COMP_WORDS=(kt-extract --li); COMP_CWORD=1; _kt_extract; echo "${COMPREPLY[*]}"
    COMP_WORDS=(kt-extract -e ibm-86); COMP_CWORD=2; _kt_extract; echo "${COMPREPLY[*]}"' _ \
    "$root/usr/share/bash-completion/completions/kt-extract")
[[ $replies == $'--list-encodings\n'*ibm-866* ]] || fail "completion gave: $replies"
echo "package ok: $(basename "$deb")"
