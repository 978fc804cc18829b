#!/usr/bin/env bash
# Fetches the regular and bold Titillium Web faces from the npm registry into DIR
# (default: .fonts beside this repository's root). Does nothing when both are there.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
dir="${1:-$root/.fonts}"
package="@expo-google-fonts/titillium-web@0.4.1"

if [[ -s "$dir/TitilliumWeb-Regular.ttf" && -s "$dir/TitilliumWeb-Bold.ttf" ]]; then
    exit 0
fi

mkdir -p "$dir"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "$package" >/dev/null)
tar -xzf "$work"/*.tgz -C "$work"
cp "$work/package/400Regular/TitilliumWeb_400Regular.ttf" "$dir/TitilliumWeb-Regular.ttf"
cp "$work/package/700Bold/TitilliumWeb_700Bold.ttf" "$dir/TitilliumWeb-Bold.ttf"
cp "$work/package/LICENSE_FONT" "$dir/LICENSE_FONT"
echo "Fonts fetched into $dir"
