# Writes, at every build, what the Debian package takes from the checkout:
# the package version (the project version, and `git describe` when it is
# not exactly that version's tag) and the package's changelog, gzipped.
# Files are rewritten only when their text changes.
#   cmake -DSOURCE_DIR=... -DOUT_DIR=... -DVERSION=... -DPACKAGE=...
#         -DMAINTAINER=... -P WritePackageVersion.cmake
set(describe "")
set(date "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" describe --tags --always --dirty
    WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE describe
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
    WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE commit_time
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()

set(version "${VERSION}")
string(REGEX REPLACE "^v" "" bare "${describe}")
if(describe AND NOT bare STREQUAL VERSION)
  # Only letters, digits, "." and "+" : no "-", which would start a Debian revision.
  string(REGEX REPLACE "[^A-Za-z0-9.+]" "." suffix "${bare}")
  set(version "${VERSION}+git.${suffix}")
endif()

# The changelog's date: SOURCE_DATE_EPOCH, else the last commit, else now.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
elseif(commit_time)
  set(epoch "${commit_time}")
endif()
if(epoch)
  set(saved "$ENV{SOURCE_DATE_EPOCH}")
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
  string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  set(ENV{SOURCE_DATE_EPOCH} "${saved}")
else()
  string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()

set(built "Built from the project's sources")
if(describe)
  string(APPEND built " (git ${describe})")
endif()
set(changelog "${PACKAGE} (${version}) unstable; urgency=medium\n\n  * ${built}.\n\n -- ${MAINTAINER}  ${date}\n")

function(write_if_changed path text)
  set(old "")
  if(EXISTS "${path}")
    file(READ "${path}" old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE "${path}" "${text}")
    set(changed TRUE PARENT_SCOPE)
  endif()
endfunction()

file(MAKE_DIRECTORY "${OUT_DIR}")
write_if_changed("${OUT_DIR}/package-version.txt" "${version}")
set(changed FALSE)
write_if_changed("${OUT_DIR}/changelog" "${changelog}")
if(changed OR NOT EXISTS "${OUT_DIR}/changelog.gz")
  execute_process(COMMAND gzip -9nc "${OUT_DIR}/changelog" OUTPUT_FILE "${OUT_DIR}/changelog.gz"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip failed on ${OUT_DIR}/changelog")
  endif()
endif()
