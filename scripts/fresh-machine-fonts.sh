#!/usr/bin/env bash
# Writes a fontconfig file that shows only the fonts a fresh machine has: those of the fonts-*
# packages that install-deps.sh installs.
# Usage: fresh-machine-fonts.sh FOLDER; prints the file's path (for FONTCONFIG_FILE).
# Each package's own files are linked into FOLDER, so that a package sharing their folder
# (fonts-dejavu-extra beside fonts-dejavu-core) adds none of its faces.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
folder="$(mkdir -p "$1" && cd "$1" && pwd)"
rm -rf "$folder/files" "$folder/cache"
mkdir -p "$folder/files" "$folder/cache"
mapfile -t packages < <("$here/install-deps.sh" --list | grep '^fonts-')
for package in "${packages[@]}"; do
  mkdir -p "$folder/files/$package"
  dpkg -L "$package" | grep -E '\.(ttf|otf|ttc|pfb|t1)$' | while read -r file; do
    [ -f "$file" ] && ln -s "$file" "$folder/files/$package/"
  done
done
cat > "$folder/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$folder/files</dir>
  <cachedir>$folder/cache</cachedir>
  <include ignore_missing="yes">/etc/fonts/conf.d</include>
</fontconfig>
CONF
# One cache before the tests run, not one written by each test at once.
if command -v fc-cache >/dev/null; then
  FONTCONFIG_FILE="$folder/fonts.conf" fc-cache >/dev/null
fi
echo "$folder/fonts.conf"
