# Release settings of a shipped executable: the loader's hardening flags,
# byte-for-byte reproducible output and an optional Authenticode signature.
#
# Reproducibility holds for the whole build, not only the exe's own sources:
# the libraries linked into it are compiled under the same rules, so this
# part runs at include time, before any target exists.

# Fixed default so that a plain build is reproducible; a release pipeline may
# pass its own (the commit's time, say).
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(_lumarso_epoch_default "$ENV{SOURCE_DATE_EPOCH}")
else()
  set(_lumarso_epoch_default 1420070400)  # 2015-01-01 00:00:00 UTC
endif()
set(LUMARSO_SOURCE_DATE_EPOCH "${_lumarso_epoch_default}" CACHE STRING
    "Seconds since 1970 used for every time stamp the toolchain would otherwise take from the clock")

# Signing: certificate and key files from the cache or the environment; the
# key's password only ever from the environment (LUMARSO_SIGN_PASS), read by
# scripts/sign when the build runs, so it never lands in CMakeCache.txt.
set(LUMARSO_SIGN_CERT "$ENV{LUMARSO_SIGN_CERT}" CACHE FILEPATH
    "Code-signing certificate (PEM/DER, or a .pfx/.p12 holding certificate and key); empty: no signing")
set(LUMARSO_SIGN_KEY "$ENV{LUMARSO_SIGN_KEY}" CACHE FILEPATH
    "Private key of the code-signing certificate (PEM/DER); not needed with a .pfx/.p12")
set(LUMARSO_SIGN_TIMESTAMP_URL "$ENV{LUMARSO_SIGN_TIMESTAMP_URL}" CACHE STRING
    "RFC 3161 time-stamping server for the signature (optional)")

if(WIN32)
  # No build or source folder in any object: __FILE__ and debug paths become
  # relative to the source tree.
  add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=" "-ffile-prefix-map=${PROJECT_BINARY_DIR}/=")
  # __DATE__/__TIME__ and anything else GCC would take from the clock.
  if(NOT CMAKE_C_COMPILER_LAUNCHER AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${LUMARSO_SOURCE_DATE_EPOCH})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${LUMARSO_SOURCE_DATE_EPOCH})
  endif()
  # Each function and object in its own section, so the link can drop what
  # the exe never calls (with -Os, the exe's own code is a few hundred KB at
  # most: the updater's overhead over its archive stays small).
  add_compile_options(-ffunction-sections -fdata-sections)
  # No compiler version string in every object's read-only data.
  add_compile_options(-fno-ident)
  # Deterministic static libraries (zero dates, uids and modes) even where
  # binutils was not built with that default.
  foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
  endforeach()
endif()

# The linker's default script with fewer sections: in an exe whose file is
# aligned on 4 KiB pages each section costs whole pages, and .tls and .CRT
# hold a few dozen bytes each (cmake/tools/merge_sections_ld.py says how).
if(WIN32)
  set(LUMARSO_SECTIONS_SCRIPT "${CMAKE_BINARY_DIR}/mingw-sections.ld")
  execute_process(
    COMMAND ${Python3_EXECUTABLE} ${LUMARSO_TOOLS}/merge_sections_ld.py --ld ${CMAKE_LINKER}
            --out ${LUMARSO_SECTIONS_SCRIPT}
    COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LUMARSO_TOOLS}/merge_sections_ld.py)
endif()

# lumarso_release_settings(<target>): makes <target> a release-grade exe.
function(lumarso_release_settings target)
  if(NOT WIN32)
    return()
  endif()
  target_link_options(${target} PRIVATE
    # No link time in the COFF header, the debug directory or the export table.
    LINKER:--no-insert-timestamp
    # ASLR and DEP, spelled out rather than left to the binutils build's
    # defaults; terminal-server aware so no compatibility shims apply.
    LINKER:--dynamicbase LINKER:--nxcompat LINKER:--tsaware
    # Unreferenced code and data sections go (resources are kept by the linker).
    LINKER:--gc-sections
    # No symbol table: it is dead weight in a shipped exe and names objects.
    -s
    # The linker map beside the exe (not in it): where each byte of code comes
    # from, per library and object (cmake/tools/map_sizes.py reads it).
    "LINKER:-Map=$<TARGET_FILE:${target}>.map"
    "LINKER:-T,${LUMARSO_SECTIONS_SCRIPT}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${LUMARSO_SECTIONS_SCRIPT})
  if(LUMARSO_SIGN_CERT)
    # Signing has to be the very last change to the file, after every other
    # post-link step (such as the one that makes .rsrc read-only), which may
    # still be added to this target later in the calling folder.
    cmake_language(EVAL CODE "cmake_language(DEFER CALL _lumarso_sign_after_build [[${target}]])")
  endif()
endfunction()

function(_lumarso_sign_after_build target)
  set(args --cert "${LUMARSO_SIGN_CERT}")
  if(LUMARSO_SIGN_KEY)
    list(APPEND args --key "${LUMARSO_SIGN_KEY}")
  endif()
  if(LUMARSO_SIGN_TIMESTAMP_URL)
    list(APPEND args --timestamp-url "${LUMARSO_SIGN_TIMESTAMP_URL}")
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${PROJECT_SOURCE_DIR}/scripts/sign" ${args} "$<TARGET_FILE:${target}>"
    COMMENT "Signing ${target}"
    VERBATIM)
endfunction()
