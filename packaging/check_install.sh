#!/usr/bin/env bash
# Installs a build tree into scratch prefixes and checks what a user gets: the installed tree, the
# installed orrivan-cli importing the sample card from outside the source tree (plug-in found,
# pages written), the tree still working once moved, the desktop entry, AppStream data and manual
# pages through their validators, prefixes that cannot take the install, and the Debian package.
# Usage: check_install.sh BUILD_DIR SOURCE_DIR [desktop|no-desktop]
# (the third: whether the build has the desktop program; default: whether BUILD_DIR/bin/orrivan exists)
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
desktop=${3:-$([ -x "$build/bin/orrivan" ] && echo desktop || echo no-desktop)}
pkg="$source/packaging"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/orrivan-install.XXXXXX")
mounted=()
cleanup() {
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || true; done
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "install check: $*" >&2; exit 1; }
step() { echo "== $*"; }

# -- the install, into a prefix with spaces ---------------------------------------------------
step "install into a prefix with spaces"
prefix="$scratch/with space/usr"
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log"; fail "cmake --install failed"; }
(cd "$prefix" && find . | sort) | sed 's|^\./||' | grep . >"$scratch/tree"
for f in bin/orrivan-cli lib/orrivan/plugins/templates.so share/man/man1/orrivan-cli.1.gz \
         share/doc/orrivan/copyright share/doc/orrivan/changelog.gz; do
  grep -qxF "$f" "$scratch/tree" || fail "$f is not installed"
done
desktop_files=(share/applications/orrivan.desktop share/icons/hicolor/scalable/apps/orrivan.svg
               share/metainfo/jp.korva.orrivan.metainfo.xml share/man/man1/orrivan.1.gz)
if [ "$desktop" = desktop ]; then
  for f in bin/orrivan "${desktop_files[@]}"; do grep -qxF "$f" "$scratch/tree" || fail "$f is not installed"; done
else
  # Without the desktop program there is nothing for a menu entry to start.
  for f in "${desktop_files[@]}"; do grep -qxF "$f" "$scratch/tree" && fail "$f installed without bin/orrivan"; done
fi
# Everything the build tree bundles is installed at the same place (files the build no longer
# makes, left from an earlier layout, do not count).
(cd "$build/lib/orrivan" && find . -type f | sed 's|^\./|lib/orrivan/|') >"$scratch/bundled"
if [ -f "$build/build.ninja" ]; then
  ninja -C "$build" -t targets all | cut -d: -f1 | grep '^lib/orrivan/' | grep -xFf - "$scratch/bundled" >"$scratch/made" || true
  mv "$scratch/made" "$scratch/bundled"
fi
while IFS= read -r f; do
  grep -qxF "$f" "$scratch/tree" || fail "bundled $f of the build tree is not installed"
done <"$scratch/bundled"
[ -s "$scratch/bundled" ] || fail "the build tree bundles nothing under lib/orrivan"
find "$prefix" -type d ! -perm 755 | grep . && fail "folders above are not 0755"
# No installed binary looks into the build tree for its libraries.
while IFS= read -r elf; do
  if readelf -d "$elf" | grep -E 'R(UN)?PATH'; then fail "$elf carries a library search path"; fi
done < <(find "$prefix/bin" "$prefix/lib" -type f \( -perm -u+x -o -name '*.so' \))
echo "$(wc -l <"$scratch/tree") paths installed"

# -- the installed program, outside the source and build trees ----------------------------------
step "installed orrivan-cli imports the sample card"
cp -a "$source/samples/card" "$scratch/card"
cd "$scratch"
export HOME="$scratch/user" XDG_CONFIG_HOME="$scratch/user/.config" XDG_DATA_HOME="$scratch/user/.local/share"
unset ORRIVAN_HOME ORRIVAN_CONFIG ORRIVAN_VOLUMES
mkdir -p "$HOME"
home="$scratch/orrivan home"
cli=("$prefix/bin/orrivan-cli" --home "$home")
"${cli[@]}" import --from "$scratch/card" --copy --undated file-date --yes --no-open >"$scratch/import.out" ||
  fail "the installed orrivan-cli import failed"
days=0
for day in "$home/Image Library"/*/; do
  [ -d "$day/PREVIEW" ] || continue
  days=$((days + 1))
  [ -s "$day/INDEX.HTM" ] || fail "no day page in $day: the installed plug-in was not found"
done
[ "$days" -gt 0 ] || fail "the import filed no day"
for page in library_1.htm library_2.htm Orrivan.rks; do [ -s "$home/$page" ] || fail "$page not written"; done
movie=$(find "$scratch/card" -iname '*.avi' | head -1)
if [ -n "$movie" ]; then
  "$prefix/bin/orrivan-cli" preview "$movie" "$scratch/movie.jpg" >/dev/null && [ -s "$scratch/movie.jpg" ] ||
    fail "no preview of the sample movie: the installed movie-frame module was not found"
fi
templates() { "$1" --home "$home" template | grep -c '^[* ] [^ ]' || true; }
[ "$(templates "$prefix/bin/orrivan-cli")" -gt 0 ] || fail "the installed orrivan-cli lists no template"
echo "$days day pages; $(cat "$scratch/import.out")"

step "the tree works from wherever it is moved"
mkdir "$scratch/moved"
cp -a "$prefix" "$scratch/moved/usr"
rm -rf "$scratch/with space"
[ "$(templates "$scratch/moved/usr/bin/orrivan-cli")" -gt 0 ] || fail "the moved orrivan-cli finds no plug-in"
prefix="$scratch/moved/usr"

if [ "$desktop" = desktop ]; then
  step "installed orrivan starts"
  status=0; "$prefix/bin/orrivan" --no-such-option 2>/dev/null || status=$?
  [ "$status" = 2 ] || fail "orrivan --no-such-option ended with $status, not 2 (usage)"
  status=0; env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/orrivan" --home "$home" 2>/dev/null || status=$?
  [ "$status" = 1 ] || fail "orrivan without a display ended with $status, not 1"
fi

# -- the manual pages: they render cleanly and name every command and option -------------------
step "man pages"
render() { LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -E UTF-8 -l "$1" 2>"$scratch/man.err"; }
man_pages=("$prefix/share/man/man1/orrivan-cli.1.gz")
[ -e "$prefix/share/man/man1/orrivan.1.gz" ] && man_pages+=("$prefix/share/man/man1/orrivan.1.gz") || man_pages+=("$pkg/orrivan.1")
for page in "${man_pages[@]}"; do
  render "$page" >"$scratch/man.txt"
  [ -s "$scratch/man.err" ] && { cat "$scratch/man.err"; fail "$(basename "$page") renders with warnings"; }
  [ "$(wc -l <"$scratch/man.txt")" -gt 20 ] || fail "$(basename "$page") rendered empty"
done
render "$prefix/share/man/man1/orrivan-cli.1.gz" >"$scratch/cli.txt"
# Every command (nested ones too) and every option that --help shows.
names() { awk '/^[A-Za-z]+:$/ {s=$1; next} /^  [^ ]/ {print s, $1}' ; }
check_help() {
  local words=("$@") section name help
  help=$(mktemp "$scratch/help.XXXXXX")
  "$prefix/bin/orrivan-cli" "${words[@]}" --help | names >"$help"
  while read -r section name; do
    case "$section" in
      Options:)
        IFS=, read -ra flags <<<"$name"
        for flag in "${flags[@]}"; do
          [ "$flag" = -h ] || [ "$flag" = --help ] && continue
          grep -qF -- "$flag" "$scratch/cli.txt" || fail "orrivan-cli.1 does not name ${words[*]} $flag"
        done ;;
      Subcommands:)
        grep -qF -- "${words[*]:+${words[*]} }$name" "$scratch/cli.txt" ||
          fail "orrivan-cli.1 does not name the command ${words[*]} $name"
        check_help "${words[@]}" "$name" ;;
    esac
  done <"$help"
}
check_help
if [ "$desktop" = desktop ]; then
  render "$prefix/share/man/man1/orrivan.1.gz" >"$scratch/gui.txt"
  for flag in $("$prefix/bin/orrivan" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$flag" "$scratch/gui.txt" || fail "orrivan.1 does not name $flag"
  done
fi
# Every exit status the commands use.
for code in $(sed -n 's/.*kExit[A-Za-z]* = \([0-9]*\);.*/\1/p' "$source/src/cli/commands.h"); do
  awk '/^EXIT STATUS/ {on=1; next} /^[A-Z]/ {on=0} on' "$scratch/cli.txt" | grep -qE "^ +$code( |$)" ||
    fail "orrivan-cli.1 does not list exit status $code"
done

# -- desktop entry and AppStream data -----------------------------------------------------------
step "desktop entry and AppStream data"
entry="$pkg/orrivan.desktop"
metainfo="$pkg/jp.korva.orrivan.metainfo.xml"
[ -e "$prefix/share/applications/orrivan.desktop" ] && entry="$prefix/share/applications/orrivan.desktop"
[ -e "$prefix/share/metainfo/jp.korva.orrivan.metainfo.xml" ] && metainfo="$prefix/share/metainfo/jp.korva.orrivan.metainfo.xml"
desktop-file-validate "$entry" || fail "desktop-file-validate"
grep -q '^Exec=orrivan$' "$entry" || fail "the desktop entry does not start orrivan"
grep -q '^Categories=Graphics;Photography;$' "$entry" || fail "the desktop entry is not in Graphics;Photography;"
grep -q '^Name\[ja\]=' "$entry" || fail "the desktop entry has no Japanese name"
# The card watcher imports inserted cards; a desktop's own offer to open them would import twice.
grep -qi 'x-content/image-dcf' "$entry" && fail "the desktop entry offers itself for camera cards"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q '<screenshot' "$metainfo" && fail "the AppStream data names a screenshot"
# Installed, the entry, its icon and the AppStream data must find each other.
if [ "$desktop" = desktop ]; then appstreamcli validate-tree --no-net "$prefix/.." || fail "appstreamcli validate-tree"; fi

# -- one version everywhere ---------------------------------------------------------------------
step "versions"
version=$("$prefix/bin/orrivan-cli" --version)
[ -n "$version" ] || fail "orrivan-cli --version prints nothing"
zcat "$prefix/share/doc/orrivan/changelog.gz" | head -1 | grep -qF "orrivan ($version)" || fail "changelog is not at $version"
grep -m1 '<release ' "$metainfo" | grep -qF "version=\"$version\"" || fail "the newest AppStream release is not $version"
for page in "$pkg/orrivan-cli.1" "$pkg/orrivan.1"; do
  head -1 "$page" | grep -qF "\"Orrivan $version\"" || fail "$(basename "$page") is not at $version"
done
echo "$version"

# -- prefixes that cannot take the install: a clear error, nothing written ---------------------
step "prefixes that cannot take the install"
refused() {  # PREFIX EXPECTED-TEXT WATCHED-FOLDER
  local before after
  before=$(find "$3" | sort | md5sum)
  if cmake --install "$build" --prefix "$1" >"$scratch/bad.log" 2>&1; then fail "install into $1 did not fail"; fi
  grep -q "$2" "$scratch/bad.log" || { cat "$scratch/bad.log"; fail "install into $1: no clear message"; }
  after=$(find "$3" | sort | md5sum)
  [ "$before" = "$after" ] || fail "install into $1 wrote something before failing"
  grep -h "Orrivan cannot be installed" -A1 "$scratch/bad.log" | head -2
}
mkdir -p "$scratch/bad"
touch "$scratch/bad/file"
refused "$scratch/bad/file" "is not a folder" "$scratch/bad"
mkdir -p "$scratch/bad/part/usr/share" "$scratch/bad/ro"
touch "$scratch/bad/part/usr/share/man"
refused "$scratch/bad/part/usr" "is not a folder" "$scratch/bad"
if [ "$(id -u)" -ne 0 ]; then
  chmod a-w "$scratch/bad/ro"
  refused "$scratch/bad/ro/usr" "cannot be written" "$scratch/bad"
elif mount --bind -o ro "$scratch/bad/ro" "$scratch/bad/ro" 2>/dev/null; then
  mounted+=("$scratch/bad/ro")
  refused "$scratch/bad/ro/usr" "cannot be written" "$scratch/bad"
  # The prefix can be written, a folder inside it cannot: still nothing written.
  mkdir -p "$scratch/bad/mixed/usr/share" "$scratch/bad/share"
  mount --bind -o ro "$scratch/bad/share" "$scratch/bad/mixed/usr/share"
  mounted+=("$scratch/bad/mixed/usr/share")
  refused "$scratch/bad/mixed/usr" "cannot be written" "$scratch/bad"
else
  echo "(read-only prefix not tried: this root may not bind-mount)"
fi

# -- the Debian package -------------------------------------------------------------------------
step "Debian package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
  { tail -30 "$scratch/cpack.log"; fail "cpack failed"; }
deb=$(ls "$scratch"/pkg/orrivan_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$scratch/deb.list"
grep -v '^\./usr/' "$scratch/deb.list" | grep -vx '\./' | grep . && fail "the package installs outside /usr"
for f in usr/bin/orrivan-cli usr/lib/orrivan/plugins/templates.so usr/share/man/man1/orrivan-cli.1.gz \
         usr/share/doc/orrivan/copyright usr/share/doc/orrivan/changelog.gz; do
  grep -qxF "./$f" "$scratch/deb.list" || fail "the package lacks /$f"
done
grep -E '^\./usr/share/man/.*[^z]$' "$scratch/deb.list" | grep -v '/$' && fail "uncompressed man pages in the package"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libc6 libqt6core6 libqt6svg6; do
  [[ "$depends" == *"$dep"* ]] || fail "Depends lacks $dep: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "section is not graphics"
dpkg-deb -f "$deb" Description | sed -n 2p | grep -q . || fail "no extended description"
mkdir "$scratch/deb"
dpkg-deb -x "$deb" "$scratch/deb"
while IFS= read -r elf; do
  file -b "$elf" | grep -q ', stripped' || fail "${elf#"$scratch/deb"} is not stripped"
done < <(find "$scratch/deb/usr/bin" "$scratch/deb/usr/lib" -type f)
echo "$(basename "$deb"): $(wc -l <"$scratch/deb.list") entries; Depends: $depends"
echo "install check passed"
