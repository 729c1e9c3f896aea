# Turns the files under a resource folder into a C++ source holding their bytes
# and the table that platform/classes/Resources.cpp searches.
#
# Run as a script at build time:
#   cmake -DROOT=<resources folder> -DOUTPUT=<generated .cpp> -P EmbedResources.cmake
#
# Every file in a subfolder of ROOT becomes one resource: its name is the file
# name without extension and its type comes from the first folder below ROOT
# (bitmaps -> BITMAP, cursors -> CURSOR, forms -> FORM, any other folder its
# own name), both upper-cased. Files directly in ROOT and hidden files are not
# resources. Two files giving the same name and type stop the build.

cmake_minimum_required(VERSION 3.25)

if(NOT ROOT OR NOT OUTPUT)
  message(FATAL_ERROR "EmbedResources.cmake needs -DROOT=... and -DOUTPUT=...")
endif()

file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/*/*)
list(SORT files)

# CMake's regular expressions have no {n}: spell out sixteen "0x..," groups.
string(REPEAT "0x..," 16 line16)
set(line16 "(${line16})")

set(data "")
set(table "")
set(count 0)
set(seen "")
foreach(rel IN LISTS files)
  get_filename_component(fname ${rel} NAME)
  if(fname MATCHES "^\\.")
    continue()
  endif()
  string(REGEX MATCH "^[^/]+" folder ${rel})
  string(TOUPPER ${folder} type)
  if(type STREQUAL "BITMAPS")
    set(type "BITMAP")
  elseif(type STREQUAL "CURSORS")
    set(type "CURSOR")
  elseif(type STREQUAL "FORMS")
    set(type "FORM")
  endif()
  get_filename_component(name ${rel} NAME_WLE)
  string(TOUPPER ${name} name)
  if(name STREQUAL "")
    continue()
  endif()
  if("${type}/${name}" IN_LIST seen)
    message(FATAL_ERROR "Resource ${type} ${name} is given twice (second: resources/${rel})")
  endif()
  list(APPEND seen "${type}/${name}")

  file(READ ${ROOT}/${rel} hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  # Sixteen bytes a line, then the terminating zero.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "${line16}" "\\1\n    " bytes "${bytes}")
  string(APPEND data "// resources/${rel}\nconst unsigned char Data${count}[] = {\n    ${bytes}0x00};\n\n")
  string(APPEND table "    {\"${name}\", \"${type}\", Data${count}, ${size}},\n")
  math(EXPR count "${count} + 1")
endforeach()

if(count EQUAL 0)
  set(table "    {\"\", \"\", nullptr, 0},\n")
endif()

set(source "// Generated at build time from the resources folder; do not edit.
#include \"platform/classes/Resources.h\"

namespace {

${data}}  // namespace

namespace kvp::detail {

const TResourceEntry EmbeddedResources[] = {
${table}};
const std::size_t EmbeddedResourceCount = ${count};

}  // namespace kvp::detail
")

# Rewrite only on a change, so that an unchanged table does not rebuild.
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL source)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${source}")
