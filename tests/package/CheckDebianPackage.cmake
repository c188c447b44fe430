# Builds the Debian package of a build folder into a fresh folder and checks
# that it holds the daemon, the command, the modules, their resources and the
# user unit. cmake -DBUILD_DIR=... -DOUT_DIR=... -P CheckDebianPackage.cmake
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND cpack -G DEB -B ${OUT_DIR} --config ${BUILD_DIR}/CPackConfig.cmake
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB packages ${OUT_DIR}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${OUT_DIR}, found ${count}")
endif()
execute_process(COMMAND dpkg-deb -c ${packages} RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE listing)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed:\n${listing}")
endif()
foreach(expected
    ./usr/bin/quorveld ./usr/bin/quorvel
    ./usr/lib/quorvel/QuorvelTweak.dylib ./usr/lib/quorvel/QuorvelHistory.dylib ./usr/lib/quorvel/Quorvel.so ./usr/lib/quorvel/QuorvelPrefBundle.so
    ./usr/lib/quorvel/libquorvel_platform.so
    ./usr/lib/quorvel/Quorvel.bundle/Info.plist ./usr/lib/quorvel/Quorvel.bundle/background7.png
    ./usr/lib/quorvel/QuorvelPrefBundle.bundle/QuorvelPrefBundle.plist
    ./usr/lib/systemd/user/quorvel.service)
  string(FIND "${listing}" " ${expected}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${expected} is not in the package:\n${listing}")
  endif()
endforeach()
file(REMOVE_RECURSE ${OUT_DIR})
message(STATUS "package holds the daemon, the command, the modules and the unit")
