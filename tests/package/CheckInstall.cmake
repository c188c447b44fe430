# Installs a build folder into STAGE_DIR (prefix /usr, as the Debian package
# does) and checks the installed tree:
#  - every line of each debian/*.install (one per binary package) matches
#    something installed, and everything installed is in one of them or in
#    debian/not-installed (dh_missing's rule);
#  - the lock-screen plugin is in Phosh's plugin folder, named by its
#    .plugin file, and GIO finds its extension point;
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
# Every binary package's list: each of its lines must match something
# installed; together with debian/not-installed they cover the install.
file(GLOB install_lists ${SOURCE_DIR}/debian/*.install)
set(shipped)
foreach(list ${install_lists})
  get_filename_component(list_name ${list} NAME)
  read_patterns(${list} patterns)
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
read_patterns(${SOURCE_DIR}/debian/not-installed left_out)
foreach(path ${installed})
  set(found FALSE)
  foreach(pattern ${shipped} ${left_out})
    if(path MATCHES "${pattern}")
      set(found TRUE)
      break()
    endif()
  endforeach()
  if(NOT found)
    fail("${path} is installed but in no debian/*.install and not in debian/not-installed")
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
    usr/share/metainfo/org.quillmoor.Quorvel.metainfo.xml usr/share/man/man1/quorvel-app.1
    usr/share/dbus-1/services/org.quillmoor.Quorvel.service)
  if(NOT EXISTS ${STAGE_DIR}/${expected})
    fail("${expected} is not installed")
  endif()
endforeach()

# The lock-screen plugin, in the folder Phosh loads plugins from: its
# .plugin file names the module where it is installed, and GIO finds the
# module's extension point (gio-querymodules loads it and calls its query
# function, as Phosh's trigger does on the package's install).
file(GLOB plugin_modules ${root}/lib/*/phosh/plugins/libphosh-plugin-quorvel.so)
if(NOT plugin_modules)
  fail("the lock-screen plugin is not installed under usr/lib/<multiarch>/phosh/plugins")
endif()
get_filename_component(plugin_dir ${plugin_modules} DIRECTORY)
file(READ ${plugin_dir}/quorvel.plugin plugin_file)
string(REPLACE "${STAGE_DIR}" "" installed_module "${plugin_modules}")
if(NOT plugin_file MATCHES "\nId=quorvel\n" OR NOT plugin_file MATCHES "\nPlugin=${installed_module}\n")
  fail("quorvel.plugin does not name the plugin quorvel at ${installed_module}:\n" ${plugin_file})
endif()
find_program(GIO_QUERYMODULES gio-querymodules PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/glib-2.0 /usr/lib/x86_64-linux-gnu/glib-2.0
             /usr/lib/aarch64-linux-gnu/glib-2.0 /usr/lib/glib-2.0)
if(SANITIZED)
  # A module built with the sanitizers loads only into a process whose runtime
  # comes first; gio-querymodules is not one.
  message(STATUS "a sanitizer build: the plugin's module is not queried")
elseif(GIO_QUERYMODULES)
  execute_process(COMMAND ${GIO_QUERYMODULES} ${plugin_dir} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(cache "")
  if(EXISTS ${plugin_dir}/giomodule.cache)
    file(READ ${plugin_dir}/giomodule.cache cache)
    file(REMOVE ${plugin_dir}/giomodule.cache)
  endif()
  if(NOT status EQUAL 0 OR NOT cache MATCHES "libphosh-plugin-quorvel.so: phosh-lockscreen-widget")
    fail("gio-querymodules does not find the plugin's extension point (${status}):\n" ${output} ${cache})
  endif()
else()
  message(STATUS "gio-querymodules is not installed: the plugin's module is not queried")
endif()

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
