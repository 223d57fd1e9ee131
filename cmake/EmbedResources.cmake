# Compiles JSON resources into a library: a generated source holds each file's bytes and a
# lookup by resource name (the file name without its last extension).
function(amberloom_embed_resources target lookup_function)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  set(entries "")
  set(arrays "")
  set(index 0)
  foreach(file IN LISTS ARGN)
    get_filename_component(name ${file} NAME_WLE)
    file(READ ${file} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(APPEND arrays "static const char resource_${index}[] = {${bytes} 0};\n")
    file(SIZE ${file} size)
    string(APPEND entries "    {\"${name}\", std::string_view(resource_${index}, ${size})},\n")
    math(EXPR index "${index} + 1")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  endforeach()
  file(CONFIGURE OUTPUT ${generated} CONTENT
"// Generated at configure time from the resource files; do not edit.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
${arrays}
std::optional<std::string_view> ${lookup_function}(const std::string& name) {
  static const std::pair<const char*, std::string_view> table[] = {
${entries}    {nullptr, {}}};
  for (const auto& [entry, bytes] : table)
    if (entry && name == entry) return bytes;
  return std::nullopt;
}
" @ONLY)
  target_sources(${target} PRIVATE ${generated})
endfunction()
