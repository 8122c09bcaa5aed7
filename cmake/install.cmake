# What `cmake --install` puts where, and the Debian package CPack makes of it.
#
#   bin/zarvane                        the station
#   libexec/zarvane/{blade,combine,mirror}
#                                      the simulated analysis and combine programs
#                                      and the mirror tool, linked from each home
#   share/zarvane/home/                the demo home, template of a user's first home
#                                      (with the simulated host's data in host/)
#   share/zarvane/help/                the operator's manual (Help opens index.html)
#   share/applications/zarvane.desktop the menu entry: zarvane --user-home
#   share/icons/hicolor/*/apps/        the station's icon
#   share/mime/packages/zarvane.xml    the report file types
#
# The station finds the template, the programs and the manual from its own
# directory (bin/../share, bin/../libexec), so any prefix works.

install(TARGETS zarvane RUNTIME DESTINATION bin)
foreach(program mirror blade combine)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION libexec/zarvane)
  endif()
endforeach()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/home/ DESTINATION share/zarvane/home)
install(DIRECTORY ${CMAKE_BINARY_DIR}/help/ DESTINATION share/zarvane/help)
install(FILES ${CMAKE_SOURCE_DIR}/src/desktop/data/zarvane.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/src/desktop/data/zarvane.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/src/desktop/data/zarvane-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME zarvane.png)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/zarvane.xml DESTINATION share/mime/packages)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarvane)
set(CPACK_PACKAGE_VENDOR "Zarvane")
set(CPACK_PACKAGE_CONTACT "Zarvane developers <zarvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operator station for inspecting turbine and compressor blades on a CMM")
set(CPACK_PACKAGE_DESCRIPTION
    "Zarvane drives a coordinate measuring machine through the blade inspection cycle: part setup, \
blade text file, host part programs, measured points, report for the blade analysis program, \
and the analysis results shown, printed and cleaned up. It also qualifies probes and converts point files. \
This package includes a simulated CMM host and simulated analysis and combine programs, so the \
station runs on its demo data without a machine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries the programs link (Qt 6, xcb, the C++ runtime) come from
# dpkg-shlibdeps; Qt's platform plugins are loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info, fonts-dejavu-core")
include(CPack)
