# Checks of the archives the build takes (cmake/tools/check_archive.py).
#
# Whatever is given is embedded as it is and installed on every PC as the
# manual, and the linker merely warns about an empty resource: an empty file,
# one that is not a ZIP or a damaged ZIP must stop the build instead.

# The largest archive an updater of this build may carry.  The loader maps
# the whole image before the first instruction runs.  A 32-bit updater (not
# large-address aware) has 2 GB of address space for it, its DLLs, heap and
# stacks: under Wine one with 1950 MiB started, one with 2000 MiB did not.
# Windows maps no 64-bit image of 2 GB or more, though Wine started one of
# 3000 MiB.  1.5 GiB leaves a quarter of those 2 GB to the system's DLLs,
# which Windows places at random, and to the DLLs that antivirus and input
# methods inject into every program with a window.
set(_lumarso_archive_max 1610612736)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(LUMARSO_ARCHIVE_MAX_BYTES ${_lumarso_archive_max})
  set(LUMARSO_ARCHIVE_MAX_REASON
      "(1.5 GiB) a 64-bit updater may carry: Windows maps no exe image of 2 GB or more")
elseif(WIN32)
  set(LUMARSO_ARCHIVE_MAX_BYTES ${_lumarso_archive_max})
  set(LUMARSO_ARCHIVE_MAX_REASON
      "(1.5 GiB) a 32-bit updater may carry: its whole image must fit in the 2 GB of address space it shares with the system's DLLs")
endif()

# lumarso_check_archive(<path> <what> [MAX_BYTES <n> MAX_REASON <text>]):
# at configure time, FATAL_ERROR naming <what> (the setting that gave <path>)
# unless <path> is a readable, non-empty ZIP archive whose entries all read
# back, of at most <n> bytes.
function(lumarso_check_archive path what)
  cmake_parse_arguments(ARG "" "MAX_BYTES;MAX_REASON" "" ${ARGN})
  set(limit)
  if(ARG_MAX_BYTES)
    set(limit --max-bytes ${ARG_MAX_BYTES} --max-reason "${ARG_MAX_REASON}")
  endif()
  execute_process(
    COMMAND ${Python3_EXECUTABLE} ${LUMARSO_TOOLS}/check_archive.py "${path}" --what "${what}" ${limit}
    RESULT_VARIABLE status
    ERROR_VARIABLE why
    ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${why}")
  endif()
endfunction()

# lumarso_add_archive_check(<path> <what> <sha256-file> [MAX_BYTES <n> MAX_REASON <text>]):
# the same check when the build runs, re-run whenever <path> changes (an
# archive made by the build, or replaced after configuring).  On success it
# writes <sha256-file> in sha256sum's format under the name Lumarso2015.zip;
# on failure the build step fails and <sha256-file> is gone, so whatever
# depends on it is not built.
function(lumarso_add_archive_check path what sha256)
  cmake_parse_arguments(ARG "" "MAX_BYTES;MAX_REASON" "" ${ARGN})
  set(limit)
  if(ARG_MAX_BYTES)
    set(limit --max-bytes ${ARG_MAX_BYTES} --max-reason "${ARG_MAX_REASON}")
  endif()
  add_custom_command(
    OUTPUT ${sha256}
    COMMAND ${Python3_EXECUTABLE} ${LUMARSO_TOOLS}/check_archive.py ${path} --what ${what} ${limit}
            --sha256 ${sha256} --name Lumarso2015.zip
    DEPENDS ${path} ${LUMARSO_TOOLS}/check_archive.py
    COMMENT "Checking ${what} and writing its SHA-256"
    VERBATIM)
endfunction()
