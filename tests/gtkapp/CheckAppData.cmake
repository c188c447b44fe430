# The app's desktop integration agrees with itself and with the build:
#  - the desktop file starts the installed program and names the icon that is
#    installed, under the application id;
#  - the metainfo launches that desktop file, provides that program, asks for
#    a 360-pixel screen and touch, and its screenshots are the docs/ pictures;
#  - the D-Bus service file activates the program under the application id;
#  - the icon is an SVG that renders (rsvg-convert, when installed).
# cmake -DSOURCE_DIR=... -DWORK_DIR=... [-DRSVG_CONVERT=...] -P CheckAppData.cmake
function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

set(id org.quillmoor.Quorvel)
set(data ${SOURCE_DIR}/apps/gtk/data)
file(READ ${data}/${id}.desktop desktop)
file(READ ${data}/${id}.metainfo.xml metainfo)
file(READ ${SOURCE_DIR}/apps/gtk/CMakeLists.txt build)

foreach(line "Exec=quorvel-app\n" "Icon=${id}\n" "X-Purism-FormFactor=Workstation;Mobile;\n")
  string(FIND "${desktop}" "\n${line}" at)
  if(at EQUAL -1)
    fail("${id}.desktop lacks the line ${line}")
  endif()
endforeach()
if(NOT build MATCHES "add_executable\\(quorvel-app ")
  fail("the desktop file starts quorvel-app, which apps/gtk/CMakeLists.txt no longer builds")
endif()
foreach(part "<id>${id}</id>" "<launchable type=\"desktop-id\">${id}.desktop</launchable>"
        "<binary>quorvel-app</binary>" "<display_length compare=\"ge\">360</display_length>"
        "<control>touch</control>" "/docs/app-figures.png</image>" "/docs/app-add-code.png</image>")
  string(FIND "${metainfo}" "${part}" at)
  if(at EQUAL -1)
    fail("${id}.metainfo.xml lacks ${part}")
  endif()
endforeach()
# The application id the program registers is the one these files are named after.
file(READ ${SOURCE_DIR}/apps/gtk/main.cpp main)
string(FIND "${main}" "adw_application_new(\"${id}\"" at)
if(at EQUAL -1)
  fail("apps/gtk/main.cpp does not register the application id ${id}")
endif()

# D-Bus activation (a tapped notification opens the app): the desktop file
# says so, and the service file starts the program under the same name.
file(READ ${data}/${id}.service.in service)
if(NOT desktop MATCHES "\nDBusActivatable=true\n")
  fail("${id}.desktop is not DBusActivatable=true, which its D-Bus service file is for")
endif()
if(NOT service MATCHES "\nName=${id}\n" OR NOT service MATCHES "\nExec=@QUORVEL_APP_PATH@ --gapplication-service\n")
  fail("${id}.service.in does not start quorvel-app as the service ${id}")
endif()

if(RSVG_CONVERT)
  file(MAKE_DIRECTORY ${WORK_DIR})
  execute_process(COMMAND ${RSVG_CONVERT} -w 64 -h 64 -o ${WORK_DIR}/icon-64.png ${data}/${id}.svg
                  RESULT_VARIABLE status ERROR_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT output STREQUAL "")
    fail("rsvg-convert cannot render ${id}.svg (${status}):\n" ${output})
  endif()
else()
  message(STATUS "rsvg-convert is not installed (librsvg2-bin): the icon is not rendered")
endif()
message(STATUS "the desktop file, the metainfo, the icon and the build agree")
