# cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -DCPACK=<cpack> -DDPKG_DEB=<dpkg-deb> -P check_deb.cmake
#
# Builds the Debian package from the build tree and checks its control data and contents.
cmake_minimum_required(VERSION 3.22)

set(faults "")
macro(fault text)
  string(APPEND faults "  ${text}\n")
endmacro()

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE text TIMEOUT 100)
file(GLOB debs "${WORK_DIR}/skelmar_*.deb")
list(LENGTH debs count)
if(NOT rc EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack -G DEB gave ${rc} and ${count} packages:\n${text}")
endif()

execute_process(COMMAND "${DPKG_DEB}" --field "${debs}" Package Section Architecture Depends
                RESULT_VARIABLE rc OUTPUT_VARIABLE control ERROR_VARIABLE control)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot read ${debs}:\n${control}")
endif()
foreach(field "Package: skelmar\n" "Section: graphics\n")
  string(FIND "${control}" "${field}" at)
  if(at EQUAL -1)
    fault("control data lacks \"${field}\"")
  endif()
endforeach()
string(REGEX MATCH "Depends: [^\n]*" depends "${control}")
# potrace traces pictures.
if(NOT depends MATCHES "(^|[ ,])libpotrace0([ ,]|$)")
  fault("Depends does not name libpotrace0: ${depends}")
endif()
foreach(library libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6 libqt6svg6 libhersheyfont0
        hershey-fonts-data libsndfile1 libfftw3-single3 libfftw3-double3 libsoxr0)
  if(NOT depends MATCHES "(^|[ ,])${library}([ ,]|$)")
    fault("Depends does not name ${library}: ${depends}")
  endif()
endforeach()

execute_process(COMMAND "${DPKG_DEB}" --contents "${debs}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE listing ERROR_VARIABLE listing)
# Keep only the paths: the listing is "mode owner size date time path".
string(REGEX REPLACE "[^\n]* \\./" "./" paths "${listing}")
string(REPLACE "\n" ";" paths "${paths}")
foreach(file
        ./usr/bin/skelmar
        ./usr/bin/skelmar-cli
        ./usr/share/applications/skelmar.desktop
        ./usr/share/mime/packages/skelmar.xml
        ./usr/share/icons/hicolor/32x32/apps/skelmar.png
        ./usr/share/icons/hicolor/scalable/apps/skelmar.svg
        ./usr/share/man/man1/skelmar-cli.1.gz)
  if(NOT file IN_LIST paths)
    fault("the package does not hold ${file}")
  endif()
endforeach()
# Nothing from the build tree besides the program: no libraries, headers, tests or benchmarks.
foreach(path IN LISTS paths)
  if(path AND NOT path MATCHES "^\\./(usr/(bin|share/(applications|mime|icons|man))(/.*)?|usr/|usr/share/)?$")
    fault("the package holds an unexpected ${path}")
  endif()
endforeach()

if(faults)
  message(FATAL_ERROR "The Debian package ${debs} is not right:\n${faults}\n${control}\n${listing}")
endif()
message(STATUS "${debs}:\n${control}")
