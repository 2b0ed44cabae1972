# Sourced by the package checks. make_package GENERATOR EXTENSION: builds the build tree's
# package with cpack into $scratch/out and sets $package to it (there must be exactly one)
# and $version to the product version of res/version.inc. Needs $source, $build, $scratch
# and fail().
make_package() {
  cpack --config "$build/CPackConfig.cmake" -G "$1" -B "$scratch/out" >/dev/null
  local made=("$scratch"/out/*."$2")
  [ ${#made[@]} -eq 1 ] && [ -f "${made[0]}" ] || fail "cpack made no single .$2"
  package=${made[0]}
  version=$(sed -n 's/^SQK_VERSION_STRING("ProductVersion", "\(.*\)")$/\1/p' "$source/res/version.inc")
  [ -n "$version" ] || fail "res/version.inc names no product version"
}
