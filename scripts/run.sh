#!/usr/bin/env bash
# The main job: builds sqk2xml, then opens the dialog where a display exists (DISPLAY or
# WAYLAND_DISPLAY); without one it converts the bundled sample playlist with the CLI.
set -euo pipefail
cd "$(dirname "$0")/.."

# The default preset configures the test suites too, so their packages are needed as well.
bash scripts/deps.sh build test
cmake --preset default >/dev/null
cmake --build --preset default

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/default/ui/sqk2xml
fi

# The outputs go beside the playlist, so convert a copy outside the source tree.
sample_dir=build/sample
mkdir -p "$sample_dir"
cp examples/party.sqk "$sample_dir/"
target=$(build/default/cli/sqk2xml-cli --codepage 1252 "$sample_dir/party.sqk")
echo
echo "Converted examples/party.sqk:"
echo "  XML document: ${target%.htm}.xml"
echo "  viewer page:  $target"
