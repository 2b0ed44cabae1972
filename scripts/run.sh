#!/usr/bin/env bash
# The main job: builds sqk2xml and converts the bundled sample playlist.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default

# The outputs go beside the playlist, so convert a copy outside the source tree.
sample_dir=build/sample
mkdir -p "$sample_dir"
cp examples/party.sqk "$sample_dir/"
target=$(build/default/cli/sqk2xml-cli --codepage 1252 "$sample_dir/party.sqk")
echo
echo "Converted examples/party.sqk:"
echo "  XML document: ${target%.htm}.xml"
echo "  viewer page:  $target"
