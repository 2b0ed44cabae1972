# Writes a C++ source with the bytes of every icon group named in res/icons.inc.
#   cmake -DLIST=res/icons.inc -DOUT=IconResources.cpp -P EmbedIcons.cmake
get_filename_component(res_dir "${LIST}" DIRECTORY)
file(STRINGS "${LIST}" lines REGEX "^SQK_ICON\\(")
set(arrays "")
set(entries "")
set(n 0)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^SQK_ICON\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+), *\"([^\"]+)\"\\)")
    message(FATAL_ERROR "EmbedIcons: cannot read '${line}'")
  endif()
  set(id "${CMAKE_MATCH_1}")
  set(lang "${CMAKE_MATCH_2}")
  file(READ "${res_dir}/${CMAKE_MATCH_3}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char kIcon${n}[] = {\n    ${bytes}\n};\n")
  string(APPEND entries "    {${id}, ${lang}, kIcon${n}, sizeof kIcon${n}},\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from res/icons.inc by EmbedIcons.cmake; do not edit.
#include \"Resources.h\"
#include \"resource.h\"

namespace plat::ui
{
namespace
{
${arrays}} // namespace

extern const IconResource kIconResources[] = {
${entries}};
extern const size_t kIconResourceCount = ${n};
} // namespace plat::ui
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
