#!/usr/bin/env bash
# Around the Windows suites under Wine (CTest fixtures):
#   windows-fixture.sh setup WINE-RUN...   makes the prefix, starts its wineserver detached,
#                                          empties $SQK2XML_XML_DIR
#   windows-fixture.sh check WINE-RUN...   stops the wineserver, then checks every document
#                                          that the suites copied into $SQK2XML_XML_DIR
set -euo pipefail
step=$1
shift
case "$step" in
  setup)
    rm -rf "$SQK2XML_XML_DIR"
    mkdir -p "$SQK2XML_XML_DIR"
    # Windows that the suites open go to an X server of the run's own.
    "$@" --xvfb --start
    ;;
  check)
    "$@" --stop
    count=0
    bad=0
    for doc in "$SQK2XML_XML_DIR"/*.xml; do
      [ -e "$doc" ] || continue
      count=$((count + 1))
      xmllint --noout --nonet "$doc" || { echo "not well-formed: $doc"; bad=$((bad + 1)); }
    done
    echo "xml check: $count documents, $bad not well-formed"
    [ "$count" -gt 0 ] && [ "$bad" -eq 0 ]
    ;;
esac
