# Installs a build folder into STAGE_DIR (prefix /usr, as the Debian package
# does) and checks the installed tree:
#  - every line of each binary package's list (debian/quorvel.install,
#    debian/quorvel-app.install, ...) matches something installed, and
#    everything installed is in one of them or in debian/not-installed
#    (dh_missing's rule);
#  - the daemon, the command, the modules, their resources, the manual pages,
#    the README and the user unit are there, and the unit is the one debhelper
#    installs (debian/quorvel.user.service);
#  - the installed programs start (they find the platform library in lib/quorvel);
#  - systemd-analyze verifies the unit, and man renders the manual pages,
#    without a word of complaint, where those tools are installed.
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DSTAGE_DIR=... -P CheckInstall.cmake
function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

file(REMOVE_RECURSE ${STAGE_DIR})
set(ENV{DESTDIR} ${STAGE_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
unset(ENV{DESTDIR})
if(NOT status EQUAL 0)
  fail("cmake --install failed:\n" ${output})
endif()
set(root ${STAGE_DIR}/usr)
file(GLOB_RECURSE installed RELATIVE ${STAGE_DIR} LIST_DIRECTORIES false ${STAGE_DIR}/*)

# The patterns of a debhelper list (comments and blank lines skipped), as
# regular expressions over paths: "dir/" takes the whole folder, * and ? glob.
function(read_patterns file out)
  set(patterns)
  if(EXISTS ${file})
    file(STRINGS ${file} lines)
    foreach(line ${lines})
      string(STRIP "${line}" line)
      if(line STREQUAL "" OR line MATCHES "^#")
        continue()
      endif()
      string(REGEX REPLACE "([.+^$()|\\[\\]])" "\\\\\\1" regex "${line}")
      string(REPLACE "*" "[^/]*" regex "${regex}")
      string(REPLACE "?" "[^/]" regex "${regex}")
      if(line MATCHES "/$")
        list(APPEND patterns "^${regex}")
      else()
        list(APPEND patterns "^${regex}$")
      endif()
    endforeach()
  endif()
  set(${out} ${patterns} PARENT_SCOPE)
endfunction()
file(GLOB package_lists ${SOURCE_DIR}/debian/*.install)
read_patterns(${SOURCE_DIR}/debian/not-installed left_out)
set(shipped)
foreach(package_list ${package_lists})
  get_filename_component(list_name ${package_list} NAME)
  read_patterns(${package_list} patterns)
  if(NOT patterns)
    fail("debian/${list_name} lists nothing")
  endif()
  foreach(pattern ${patterns})
    set(found FALSE)
    foreach(path ${installed})
      if(path MATCHES "${pattern}")
        set(found TRUE)
        break()
      endif()
    endforeach()
    if(NOT found)
      string(REPLACE ";" "\n  " listing "${installed}")
      fail("debian/${list_name}: nothing installed matches ${pattern}; installed:\n  ${listing}")
    endif()
  endforeach()
  list(APPEND shipped ${patterns})
endforeach()
foreach(path ${installed})
  set(found FALSE)
  foreach(pattern ${shipped} ${left_out})
    if(path MATCHES "${pattern}")
      set(found TRUE)
      break()
    endif()
  endforeach()
  if(NOT found)
    fail("${path} is installed but in no debian/*.install nor in debian/not-installed")
  endif()
endforeach()

foreach(expected
    usr/bin/quorveld usr/bin/quorvel
    usr/lib/quorvel/QuorvelTweak.dylib usr/lib/quorvel/Quorvel.so usr/lib/quorvel/QuorvelPrefBundle.so
    usr/lib/quorvel/libquorvel_platform.so
    usr/lib/quorvel/Quorvel.bundle/Info.plist usr/lib/quorvel/Quorvel.bundle/background7.png
    usr/lib/quorvel/QuorvelPrefBundle.bundle/Info.plist
    usr/lib/quorvel/QuorvelPrefBundle.bundle/QuorvelPrefBundle.plist
    usr/share/man/man1/quorveld.1 usr/share/man/man1/quorvel.1
    usr/share/doc/quorvel/README.md
    usr/lib/systemd/user/quorvel.service
    usr/bin/quorvel-app usr/share/applications/org.quillmoor.Quorvel.desktop
    usr/share/icons/hicolor/scalable/apps/org.quillmoor.Quorvel.svg
    usr/share/metainfo/org.quillmoor.Quorvel.metainfo.xml usr/share/man/man1/quorvel-app.1)
  if(NOT EXISTS ${STAGE_DIR}/${expected})
    fail("${expected} is not installed")
  endif()
endforeach()

# The unit debhelper installs is the one cmake installs.
file(READ ${SOURCE_DIR}/debian/quorvel.user.service debian_unit)
file(READ ${root}/lib/systemd/user/quorvel.service unit)
if(NOT unit STREQUAL debian_unit)
  fail("debian/quorvel.user.service differs from the installed unit host/linux/quorvel.service")
endif()
if(NOT unit MATCHES "\nExecStart=/usr/bin/quorveld\n")
  fail("the unit does not start /usr/bin/quorveld")
endif()

foreach(program quorveld quorvel quorvel-app)
  execute_process(COMMAND ${root}/bin/${program} --version
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT output MATCHES "^${program} [0-9]")
    fail("the installed ${program} --version failed (${status}):\n" ${output})
  endif()
endforeach()

# systemd-analyze verify passes a unit with unknown keys or bad values (it
# only warns), so any output is a failure. It checks that ExecStart= exists:
# the copy it verifies starts the staged quorveld. A private runtime folder
# lets it run as a user manager without a session.
find_program(SYSTEMD_ANALYZE systemd-analyze)
if(SYSTEMD_ANALYZE)
  set(check ${STAGE_DIR}/unit-check)
  file(MAKE_DIRECTORY ${check}/runtime)
  file(CHMOD ${check}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  string(REPLACE "ExecStart=/usr/bin/quorveld" "ExecStart=${root}/bin/quorveld" staged_unit "${unit}")
  file(WRITE ${check}/quorvel.service "${staged_unit}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_RUNTIME_DIR=${check}/runtime
                          ${SYSTEMD_ANALYZE} --user verify --man=no ${check}/quorvel.service
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT output STREQUAL "")
    fail("systemd-analyze --user verify of the unit (${status}):\n" ${output})
  endif()
else()
  message(STATUS "systemd-analyze is not installed: the unit is not verified")
endif()

find_program(MAN man)
if(MAN)
  foreach(page quorveld quorvel quorvel-app)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80
                            ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${root}/share/man/man1/${page}.1
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE output)
    if(NOT status EQUAL 0 OR NOT output STREQUAL "")
      fail("man --warnings ${page}.1 (${status}):\n" ${output})
    endif()
  endforeach()
endif()
file(REMOVE_RECURSE ${STAGE_DIR})
message(STATUS "the install holds what the Debian package takes, the unit verifies")
