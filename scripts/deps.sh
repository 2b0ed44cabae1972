#!/usr/bin/env bash
# Installs the Debian packages that a task needs, when they are missing.
#   scripts/deps.sh build   compiler, build tools and Qt 6 Widgets (the desktop application)
#   scripts/deps.sh gui     build, plus what the GUI tests use: Xvfb, xdotool, ImageMagick's
#                           import, the validators of desktop entries and AppStream data,
#                           and the MIME database with xdg-mime and its lookup tool
#                           (File::MimeInfo), which the file-type test asks
#   scripts/deps.sh test    build, plus what the test suites use (dpkg-dev: the package test;
#                           GNOME's playlist parser, xmllint and Python: the exports read back)
#   scripts/deps.sh browser Chromium, Firefox ESR, Python and pdftotext, which test and
#                           time the table page
#   scripts/deps.sh bench   build, plus Google Benchmark and GNU time (bench/)
#   scripts/deps.sh fuzz    build, plus clang with libFuzzer and libxml2 (tests/fuzz/)
#   scripts/deps.sh windows build, plus mingw-w64 (POSIX threads), Wine (about 1.1 GB; its
#                           wine64 runs the 64-bit programs), GoogleTest's sources,
#                           xmllint, Xvfb, xdotool and ImageMagick for the dialog's
#                           tests, and NSIS (makensis) for the installer: the Windows
#                           programs, their suites and packages (preset windows)
# Runs apt-get as root, or through sudo.
set -euo pipefail

build_packages=(g++ cmake ninja-build pkg-config qt6-base-dev)
gui_packages=(xvfb xauth xdotool imagemagick desktop-file-utils appstream shared-mime-info
  xdg-utils libfile-mimeinfo-perl)
test_packages=(libgtest-dev libgmock-dev libxml2-dev dpkg-dev libtotem-plparser-dev libxml2-utils
  python3)
bench_packages=(libbenchmark-dev time)
fuzz_packages=(clang libclang-rt-14-dev libxml2-dev)
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64 googletest libxml2-utils xvfb xauth
  xdotool imagemagick nsis)
browser_packages=(chromium firefox-esr python3 poppler-utils)

wanted=()
for group in "$@"; do
  case "$group" in
    build) wanted+=("${build_packages[@]}") ;;
    test) wanted+=("${build_packages[@]}" "${test_packages[@]}") ;;
    gui) wanted+=("${build_packages[@]}" "${gui_packages[@]}") ;;
    bench) wanted+=("${build_packages[@]}" "${bench_packages[@]}") ;;
    fuzz) wanted+=("${build_packages[@]}" "${fuzz_packages[@]}") ;;
    windows) wanted+=("${build_packages[@]}" "${windows_packages[@]}") ;;
    browser) wanted+=("${browser_packages[@]}") ;;
    *) echo "deps.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
