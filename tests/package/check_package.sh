#!/usr/bin/env bash
# The Debian package from the outside: CPack builds it from this build tree,
# then its control fields, its exact list of files, and the desktop entry,
# metainfo and manual page inside it are checked, the last three by their
# own validators.
#
#   check_package.sh BUILD_DIR VERSION APP_ID
set -uo pipefail
build=$1
version=$2
id=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! (cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
debs=("$work"/out/*.deb)
deb=${debs[0]}
[ "$(basename "$deb")" = "quorvelindaxtor_${version}_$(dpkg --print-architecture).deb" ] ||
    fail "package file named $(basename "$deb")"

# --- control fields
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quorvelindaxtor ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "Architecture: $(field Architecture)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
case "$(field Description)" in
"arcade shooter: "*) ;;
*) fail "Description: $(field Description | head -1)" ;;
esac
# What the program links, found by dpkg-shlibdeps: no font library, no font
# package (the glyphs are in the package's data).
depends=$(field Depends)
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for package in libc6 libstdc++6 libsdl2-2.0-0 libsdl2-mixer-2.0-0; do
    grep -qxF "$package" <<<"$names" || fail "Depends lacks $package: $depends"
done
for package in libsdl2-ttf-2.0-0 libfreetype6 fonts-dejavu-core; do
    grep -qxF "$package" <<<"$names" && fail "Depends names $package: $depends"
done
grep -q -- '-dev$' <<<"$names" && fail "Depends names a development package: $depends"
grep -qF '(>=' <<<"$depends" || fail "Depends has no library versions, so not from shlibdeps"

# --- files: exactly these, nothing of the build's own tools; the program
# where Debian puts games, its licence and changelog where Debian keeps them
expected=$(
    {
        echo usr/games/quorvelindaxtor
        echo usr/share/doc/quorvelindaxtor/copyright
        echo usr/share/doc/quorvelindaxtor/changelog.gz
        echo usr/share/quorvelindaxtor/images/images.bmp
        echo usr/share/quorvelindaxtor/font/dejavu-sans-bold-13.glyphs
        echo usr/share/quorvelindaxtor/font/LICENSE
        for sound in GameOver_bis Laser Plante_pousse alien explosion2 explosion_spore \
            metamorphose2; do
            echo "usr/share/quorvelindaxtor/sons/$sound.wav"
        done
        for size in 16 32 48 64 128 256; do
            echo "usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
        done
        echo "usr/share/applications/$id.desktop"
        echo "usr/share/metainfo/$id.metainfo.xml"
        echo usr/share/man/man6/quorvelindaxtor.6.gz
    } | sort
)
listing=$(dpkg-deb -c "$deb")
actual=$(awk '$1 !~ /^d/ {print $NF}' <<<"$listing" | sed 's|^\./||' | sort)
if [ "$actual" != "$expected" ]; then
    fail "the package's files differ from the expected ones:"
    diff <(echo "$expected") <(echo "$actual")
fi
[ -z "$(awk '$2 != "root/root"' <<<"$listing")" ] || fail "files not owned by root"
grep -q '^-rwxr-xr-x .* \./usr/games/quorvelindaxtor$' <<<"$listing" ||
    fail "the game is not an executable for everyone"
[ -z "$(awk '$1 ~ /^-/ && $NF !~ /games\// && $1 != "-rw-r--r--"' <<<"$listing")" ] ||
    fail "data files that are not rw-r--r--"

# --- the files the desktop reads
dpkg-deb -x "$deb" "$work/root"
share=$work/root/usr/share
file -b "$work/root/usr/games/quorvelindaxtor" | grep -q '^ELF' || fail "the game is not an ELF program"

report=$(desktop-file-validate "$share/applications/$id.desktop" 2>&1)
[ -z "$report" ] || fail "desktop-file-validate: $report"
exec_line=$(sed -n 's/^Exec=//p' "$share/applications/$id.desktop")
[ -x "$work/root/usr/games/${exec_line%% *}" ] || fail "Exec=$exec_line is not the packaged game"
# The window's class (the entry's id) ties the window to the entry.
grep -qx "StartupWMClass=$id" "$share/applications/$id.desktop" || fail "StartupWMClass"
icon=$(sed -n 's/^Icon=//p' "$share/applications/$id.desktop")
[ "$icon" = "$id" ] || fail "Icon=$icon"
grep -qx 'Categories=Game;ArcadeGame;' "$share/applications/$id.desktop" || fail "Categories"

if ! report=$(appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" 2>&1); then
    fail "appstreamcli validate: $report"
fi
grep -Eq '^[EW]:' <<<"$report" && fail "appstreamcli validate: $report"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$share/metainfo/$id.metainfo.xml" || fail "the metainfo does not launch the desktop entry"
grep -q '<image>https\?://' "$share/metainfo/$id.metainfo.xml" || fail "no screenshot"

report=$(zcat "$share/man/man6/quorvelindaxtor.6.gz" | groff -man -ww -z -Tutf8 2>&1)
[ -z "$report" ] || fail "groff: $report"
manual=$(zcat "$share/man/man6/quorvelindaxtor.6.gz")
for section in KEYS FILES 'EXIT STATUS'; do
    grep -q "^\.SH \"\?$section" <<<"$manual" || fail "the manual page has no $section section"
done

# --- licence and changelog: the copyright file machine-readable, MIT
# (Expat) for the game, the DejaVu fonts' own licence for what is made from
# them, each licence's text given once; the changelog's last entry this
# version
doc=$share/doc/quorvelindaxtor
copyright=$doc/copyright
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not machine-readable"
stanza() { awk -v files="Files: $1" '$0 == files { on = 1 } on && /^License:/ { print $2; exit }' "$copyright"; }
[ "$(stanza '*')" = Expat ] || fail "the game's files are not under the Expat (MIT) licence"
[ "$(stanza 'data/font/*')" = Bitstream-Vera ] || fail "the font's files do not keep the font's licence"
for license in Expat Bitstream-Vera; do
    grep -A1 -x "License: $license" "$copyright" | grep -q '^ [A-Z]' ||
        fail "no text for the $license licence"
done
grep -q 'MIT License' "$(dirname "$0")/../../LICENSE" || fail "LICENSE is not the MIT licence"
zcat "$doc/changelog.gz" >"$work/changelog"
changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>&1)
[ "$changelog_version" = "$version" ] || fail "the changelog's last entry is $changelog_version"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package $(basename "$deb"): control fields, $(wc -l <<<"$actual") files and validators all good"
